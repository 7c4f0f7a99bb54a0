// Text messages for the appliance: the text is written as a page under the host's web
// folder, pushed to the appliance's browser, and shown on its Display device.

#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/WrapHTML.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"

namespace zephra {

using namespace ztext;

std::string Zephra::PushTextCommand(const std::string& text, const std::string& tag, int16_t delay) {
    std::string result;
    Step(kLogPushTextCommand, [&] {
        Push_ = text;
        PushText_ = text;
        TempFileCounter_ = (TempFileCounter_ + 1) % 10;
        // The page's name keeps the blanks of the appliance's name.
        const std::string file =
            std::string(kTempFolderUrl) + kTempFilePrefix + Name_ + std::to_string(TempFileCounter_) + kHtmlExtension;
        const ZephraSettings& s = state_.settings;
        WrapHTML(state_, file, s.TextBackground, s.TextForeground, s.TextFontSize, s.TextStyle, text, delay);
        result = SendPushPage(file, tag);
        BrowserFullScreen_ = true;
        WriteDeviceText(DeviceCode(5), FormatStatus(state_, 17));
        WriteDeviceText(DeviceCode(0), FormatValue(state_, 0, text));
    });
    return result;
}

void Zephra::LetPushText(const std::string& text) { PushTextCommand(text, "", 0); }

std::string Zephra::PushTextMessage(const std::string& text, const std::string& tag) {
    return PushTextCommand(text, tag, 0);
}

// The host phone's last caller, shown as a text page; no datagram goes out.
void Zephra::CID() { PushTextCommand(state_.services.MessageCIDEvent(state_, false, IP_), "", 0); }

}  // namespace zephra
