#pragma once
// For tests of the status and setup page: the page asked for and posted as a browser does, over
// the setup dialog's test bed.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "setup/tests/SetupTestBed.h"
#include "web/Request.h"
#include "web/tests/PageForm.h"
#include "web/StatusPage.h"

namespace zephra::testing {

struct StatusBed : SetupBed {
    explicit StatusBed(const std::string& ini) : SetupBed(ini) {
        state.hostInterface.ShowControl = true;
        state.hostInterface.ShowSetup = true;
        state.hostInterface.ShowReceiveMessages = true;
        state.hostInterface.ShowStatus = 2;
        state.hostInterface.FilterDictionary = std::make_shared<vb::Dictionary>();
        state.hostInterface.DeviceDictionary = std::make_shared<vb::Dictionary>();
    }
    void Device(const std::string& code, const std::string& buttons = "", const std::string& values = "") {
        const int32_t ref = host->NewDeviceRef("d" + code);
        auto d = host->GetDeviceByRef(ref);
        d->setHc(code.substr(0, 1));
        d->setDc(code.substr(1));
        d->setButtons(buttons);
        d->setValues(values);
        host->SetDeviceString(code, "status " + code);
    }
    std::string Get() { return page(""); }
    std::string page(const std::string& body) {
        auto request = std::make_shared<Request>();
        request->ParsePage("POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n" + body);
        return StatusPage(state, vb::Variant(vb::ObjectRef(request)), vb::Variant());
    }
    // The form as a browser would post it from `html` with the button `button`.
    static std::string Post(const std::string& html, const std::string& button,
                            const std::map<std::string, std::string>& change = {},
                            const std::vector<std::string>& untick = {}) {
        return FormPost(html, button, change, untick);
    }
};

}  // namespace zephra::testing
