#include "SorvexWindow.h"

#include <fcntl.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "RegularFile.h"
#include "SaveTarget.h"
#include "SorvexTexts.h"

using namespace photon;

namespace sorvex::window {

namespace {

constexpr const char* kConnectorName = "sorvex-instance";
constexpr const char* kSendFailed = "Error sending message to existing instance of Sorvex\n";
constexpr const char* kNoHandler = "Unable to set up connection handler\n";
constexpr int kSpacing = 10;
constexpr int kDefaultHeight = 50;
constexpr short kOffScreen = -20000;
constexpr unsigned long kSaveDoubleMilliseconds = 700;
constexpr const char* kContainers[] = {"BrowserScrollContainer1", "BrowserScrollContainer2", "BrowserScrollContainer3",
                                       "BrowserScrollContainer4", "BrowserScrollContainer5"};
constexpr const char* kComboItems[] = {"Clear Playlist", "Load Saved Playlist", "Play Saved Playlist"};
constexpr const char* kNoControlImage = "Can't get playback control image";
// The transport buttons' pictures, in pairs (disabled, enabled), and the hidden labels that hold them.
constexpr const char* kButtonImageLabels[] = {
    "PrevDisabledImage", "PrevEnabledImage",  "PlayDisabledImage", "PlayEnabledImage",  "PauseDisabledImage",
    "PauseEnabledImage", "NextDisabledImage", "NextEnabledImage",  "StopDisabledImage", "StopEnabledImage"};
enum ButtonImage { kPrevImages = 0, kPlayImages = 2, kPauseImages = 4, kNextImages = 6, kStopImages = 8 };
struct TransportButton {
    const char* name;
    int images;
};
constexpr TransportButton kTransportButtons[] = {{"PrevButton", kPrevImages},
                                                 {"PlayButton", kPlayImages},
                                                 {"PauseButton", kPauseImages},
                                                 {"NextButton", kNextImages},
                                                 {"StopButton", kStopImages}};

App* g_app = nullptr;
// Copies made at start-up, kept for the program's life.
PhImage_t* g_buttonImages[10] = {};
PtWidget_t* g_main = nullptr;
PtWidget_t* g_loading = nullptr;

const ApEventLink_t kMainLink = {ABM_WINDOW, "Sorvex", nullptr, ABM_PLACE_DEFAULT, 0, 0};
const ApEventLink_t kSettingsLink = {ABM_DIALOG, "SettingsDialog", nullptr, ABM_PLACE_CENTER, 0, 0};
const ApEventLink_t kSaveLink = {ABM_DIALOG, "SaveDialog", nullptr, ABM_PLACE_CENTER, 0, 0};
const ApEventLink_t kLoadingLink = {ABM_DIALOG, "LoadingDialog", nullptr, ABM_PLACE_CENTER, 0, 0};

PtWidget_t* W(const char* name) { return ApGetWidgetPtr(g_main, name); }

void SetText(PtWidget_t* widget, const std::string& text) {
    if (widget) PtSetResource(widget, Pt_ARG_TEXT_STRING, text.c_str(), 0);
}

std::string TextOf(PtWidget_t* widget) {
    const char* text = nullptr;
    if (widget) PtGetResource(widget, Pt_ARG_TEXT_STRING, &text, 0);
    return text ? text : "";
}

void Enable(PtWidget_t* widget, bool enabled) {
    if (!widget) return;
    PtSetResource(widget, Pt_ARG_FLAGS, enabled ? 0L : static_cast<long>(Pt_BLOCKED | Pt_GHOST), Pt_BLOCKED | Pt_GHOST);
}

// A transport button shows its enabled or disabled picture; disabled it is blocked, not ghosted
// (the picture is its grey look).
void EnableWithImage(PtWidget_t* widget, int images, bool enabled) {
    if (!widget) return;
    if (PhImage_t* image = g_buttonImages[images + (enabled ? 1 : 0)])
        PtSetResource(widget, Pt_ARG_LABEL_IMAGE, image, 0);
    PtSetResource(widget, Pt_ARG_FLAGS, enabled ? 0L : static_cast<long>(Pt_BLOCKED), Pt_BLOCKED);
}

// The image a hidden label holds; null when the label or its image is missing.
const PhImage_t* LabelImage(PtWidget_t* label) {
    PhImage_t* image = nullptr;
    if (label) PtGetResource(label, Pt_ARG_LABEL_IMAGE, &image, 0);
    return image;
}

// Copies the ten pictures of the hidden labels; a picture that cannot be had ends the program.
void CopyButtonImages(PtWidget_t* main) {
    for (std::size_t i = 0; i < std::size(kButtonImageLabels); ++i) {
        const PhImage_t* source = LabelImage(ApGetWidgetPtr(main, kButtonImageLabels[i]));
        PhImage_t* copy = nullptr;
        for (int attempt = 0; attempt < 2 && source && !copy; ++attempt) copy = PiDuplicateImage(source, 0);
        if (!copy) {
            if (!source) errno = ENOENT;
            std::perror(kNoControlImage);
            PtExit(1);
        }
        // The copy shares nothing a label may free.
        copy->flags &= ~0x0Fu;
        g_buttonImages[i] = copy;
    }
    for (const TransportButton& button : kTransportButtons)
        PtSetResource(ApGetWidgetPtr(main, button.name), Pt_ARG_LABEL_TYPE, Pt_IMAGE, 0);
}

void SetPressed(PtWidget_t* widget, bool set) {
    if (widget) PtSetResource(widget, Pt_ARG_FLAGS, set ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
}

unsigned long EventTime(PtCallbackInfo_t* info) {
    if (info && info->event) return info->event->timestamp;
    return static_cast<unsigned long>(g_get_monotonic_time() / 1000);
}

// ---- What the jukebox and the browser show ---------------------------------------------------

class WindowView : public JukeboxView, public BrowserView {
public:
    // Play list rows.
    void clearRows() override { PtListDeleteAllItems(W("PlayList")); }
    void appendRow(const std::string& title) override {
        const char* item = title.c_str();
        PtListAddItems(W("PlayList"), &item, 1, 0);
    }
    void setRows(const std::vector<std::string>& titles) override {
        PtWidget_t* list = W("PlayList");
        PtHold();
        PtListDeleteAllItems(list);
        std::vector<const char*> items;
        for (const std::string& title : titles) items.push_back(title.c_str());
        if (!items.empty()) PtListAddItems(list, items.data(), static_cast<int>(items.size()), 0);
        PtRelease();
    }
    void deleteRow(int row) override { PtListDeleteItemPos(W("PlayList"), 1, row); }
    void showPosition(int position, int count) override {
        PtWidget_t* list = W("PlayList");
        if (position >= 0) {
            PtListShowPos(list, std::max(1, position - 1));
            if (count > 3) PtListShowPos(list, std::min(count, position + 3));
            PtListShowPos(list, position + 1);
        }
        PtListSelectPos(list, position < 0 ? 0 : position + 1);
    }

    // Now playing.
    void setTrackLabel(const std::string& text) override { SetText(W("TrackLabel"), text); }
    void setArtistLabel(const std::string& text) override { SetText(W("ArtistLabel"), text); }
    void setAlbumLabel(const std::string& text) override { SetText(W("AlbumLabel"), text); }
    void setElapsed(int seconds, const std::string& text) override {
        SetText(W("TimeLabel"), text);
        PtSetResource(W("TimeSlider"), Pt_ARG_GAUGE_VALUE, seconds, 0);
    }
    void setLength(int seconds, const std::string& text, bool setSliderMaximum) override {
        SetText(W("LengthLabel"), text);
        if (setSliderMaximum) PtSetResource(W("TimeSlider"), Pt_ARG_GAUGE_MAXIMUM, seconds, 0);
    }

    void updateControls(bool hasEntries, bool playing) override {
        for (const TransportButton& button : kTransportButtons) {
            const bool stopOrPause = button.images == kStopImages || button.images == kPauseImages;
            EnableWithImage(W(button.name), button.images, hasEntries && (!stopOrPause || playing));
        }
        Enable(W("DelButton"), hasEntries);
        Enable(W("SaveItem"), hasEntries);
        Enable(W("ClearItem"), hasEntries);
    }

    void showProgress(const std::string& text, int entries) override {
        if (!g_loading) return;
        if (!PtWidgetIsRealized(g_loading)) PtRealizeWidget(g_loading);
        SetText(ApGetWidgetPtr(g_loading, "LoadingLabel"), text);
        char count[64];
        std::snprintf(count, sizeof count, texts::kEntriesFormat, entries);
        SetText(ApGetWidgetPtr(g_loading, "LoadingEntriesLabel"), count);
        PtDamageWidget(g_loading);
        PtBkgdHandlerProcess();
    }
    void endProgress() override {
        if (g_loading && PtWidgetIsRealized(g_loading)) {
            PtUnrealizeWidget(g_loading);
            PtBkgdHandlerProcess();
        }
    }

    void showDirectory(const std::string& path, bool record) override { g_app->browser.showDirectory(path, record); }
    void alert(const std::string& text) override {
        // The same alert is not stacked over itself (a player that fails at every launch).
        if (std::find(open_.begin(), open_.end(), text) != open_.end()) return;
        open_.push_back(text);
        const char* ok[] = {"OK"};
        PtAlert(g_main, nullptr, texts::kAlertTitle, nullptr, text.c_str(), nullptr, 1, ok, nullptr, 1, 1, 0);
        open_.erase(std::find(open_.begin(), open_.end(), text));
    }

    // Browser pages.
    void bringToFront(int container) override {
        PtWidget_t* front = W(kContainers[container]);
        for (const char* name : kContainers) {
            PtWidget_t* page = W(name);
            const PhPoint_t at{0, page == front ? static_cast<short>(0) : kOffScreen};
            PtSetResource(page, Pt_ARG_POS, &at, 0);
        }
        PtWidgetToFront(front);
    }
    void clearPage(int container) override {
        for (PtWidget_t* item : items_[container]) PtDestroyWidget(item);
        items_[container].clear();
        targets_[container].clear();
        PtSetResource(W(kContainers[container]), Pt_ARG_SCROLL_AREA_HEIGHT, kDefaultHeight, 0);
    }
    void buildPage(int container, const PageItems& page) override;
    void setBackEnabled(bool enabled) override { Enable(W("BackButton"), enabled); }
    void setAddTracksEnabled(bool enabled) override { Enable(W("AddTracksItem"), enabled); }
    const std::vector<PtWidget_t*>& items(int container) { return items_[container]; }

private:
    std::vector<std::string> open_;
    std::map<int, std::vector<PtWidget_t*>> items_;
    std::map<int, std::vector<std::unique_ptr<std::string>>> targets_;
};

WindowView g_view;

// A click or a key is a command of its own: during another command's progress display it
// waits until that one is done.
void Command(std::function<void()> command) { g_app->jukebox.gate().run(std::move(command)); }

int cbTap(PtWidget_t*, void* data, PtCallbackInfo_t* info) {
    const std::string target = *static_cast<std::string*>(data);
    const unsigned long time = EventTime(info);
    Command([target, time] { g_app->browser.tap(target, time); });
    return Pt_CONTINUE;
}

void WindowView::buildPage(int container, const PageItems& page) {
    PtWidget_t* scroll = W(kContainers[container]);
    PtContainerHold(scroll);
    int* barWidth = nullptr;
    PtGetResource(scroll, Pt_ARG_SCROLLBAR_WIDTH, &barWidth, 0);
    const PhDim_t* dim = nullptr;
    PtGetResource(scroll, Pt_ARG_DIM, &dim, 0);
    const int containerWidth = dim && dim->w > 1 ? dim->w : 450;
    const int available = containerWidth - (barWidth ? *barWidth : 0);
    int x = kSpacing / 2, y = kSpacing / 2, rowHeight = 0;
    for (const ItemOptions& item : page.items) {
        std::vector<PtArg_t> args;
        PtArg_t arg;
        PhImage_t* image = nullptr;
        if (item.image) {
            image = PxLoadImage(item.image->c_str(), nullptr);
            if (!image) std::perror(item.image->c_str());
        }
        const std::string label = item.label.value_or("");
        // Without a picture of its own, the item's kind gives an icon beside its text (shared
        // with the hidden label; the widget keeps a copy).
        const PhImage_t* icon = nullptr;
        if (!image) {
            switch (DecideKind(item, g_app->jukebox)) {
            case kKindTrack: icon = LabelImage(W("TrackImage")); break;
            case kKindPlaylist: icon = LabelImage(W("ListImage")); break;
            case kKindOther: icon = LabelImage(W("FolderImage")); break;
            default: break;
            }
        }
        if (image) {
            PtSetArg(&arg, Pt_ARG_LABEL_IMAGE, image, 0);
            args.push_back(arg);
            PtSetArg(&arg, Pt_ARG_LABEL_TYPE, label == "none" ? Pt_IMAGE : Pt_TEXT_IMAGE, 0);
            args.push_back(arg);
        } else if (icon) {
            PtSetArg(&arg, Pt_ARG_LABEL_IMAGE, icon, 0);
            args.push_back(arg);
            PtSetArg(&arg, Pt_ARG_LABEL_TYPE, Pt_TEXT_IMAGE, 0);
            args.push_back(arg);
        }
        if (!image || label != "none") {
            PtSetArg(&arg, Pt_ARG_TEXT_STRING, label.c_str(), 0);
            args.push_back(arg);
            if (item.font) {
                PtSetArg(&arg, Pt_ARG_TEXT_FONT, item.font->c_str(), 0);
                args.push_back(arg);
            }
        }
        const int height = item.height > 0 ? item.height : kDefaultHeight;
        int width = item.width;
        if (width < 0) width = available - 2 * kSpacing;
        if (width == 0) {
            // Natural width: the text's, or the picture's.
            width =
                image ? image->size.w + 8 : 40 + 10 * static_cast<int>(label.size()) + (icon ? icon->size.w + 6 : 0);
        }
        if (width > containerWidth + kSpacing) width = containerWidth - kSpacing;
        if (item.newLine || available < x + width + kSpacing / 2) {
            x = kSpacing / 2;
            y += rowHeight + kSpacing;
            rowHeight = 0;
        }
        const PhDim_t size{static_cast<uint16_t>(width), static_cast<uint16_t>(height)};
        PtSetArg(&arg, Pt_ARG_DIM, &size, 0);
        args.push_back(arg);
        const PhPoint_t at{static_cast<int16_t>(x), static_cast<int16_t>(y)};
        PtSetArg(&arg, Pt_ARG_POS, &at, 0);
        args.push_back(arg);
        if (item.background >= 0) {
            PtSetArg(&arg, Pt_ARG_FILL_COLOR, item.background, 0);
            args.push_back(arg);
        }
        PtSetArg(&arg, Pt_ARG_COLOR, item.textColour >= 0 ? item.textColour : 0xFFFFFF, 0);
        args.push_back(arg);
        if (item.armColour >= 0) {
            PtSetArg(&arg, Pt_ARG_ARM_COLOR, item.armColour, 0);
            args.push_back(arg);
        }
        PtWidget_t* widget =
            PtCreateWidget(item.target ? PtButton : PtLabel, scroll, static_cast<unsigned>(args.size()), args.data());
        if (image) {
            PhReleaseImage(image);
            std::free(image);
        }
        if (!widget) continue;
        if (item.target) {
            targets_[container].push_back(std::make_unique<std::string>(*item.target));
            PtAddCallback(widget, Pt_CB_ACTIVATE, cbTap, targets_[container].back().get());
        }
        PtRealizeWidget(widget);
        items_[container].push_back(widget);
        x += width + kSpacing;
        rowHeight = std::max(rowHeight, height);
        PtSetResource(scroll, Pt_ARG_SCROLL_AREA_HEIGHT, y + rowHeight + kSpacing, 0);
    }
    PtContainerRelease(scroll);
}

// ---- Callbacks of the UI files ------------------------------------------------------------------

int cbPlay(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.playPressed(); });
    return Pt_CONTINUE;
}
int cbPause(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.togglePause(); });
    return Pt_CONTINUE;
}
int cbStop(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.stopPlayback(); });
    return Pt_CONTINUE;
}
int cbNext(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.playNext(); });
    return Pt_CONTINUE;
}
int cbPrev(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.prevPressed(); });
    return Pt_CONTINUE;
}
int cbDelete(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.deleteSelected(); });
    return Pt_CONTINUE;
}
int cbBack(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->browser.back(); });
    return Pt_CONTINUE;
}
int cbHome(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->browser.home(); });
    return Pt_CONTINUE;
}

int cbShuffle(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.toggleShuffle(); });
    return Pt_CONTINUE;
}

int cbRepeat(PtWidget_t*, void*, PtCallbackInfo_t*) {
    g_app->jukebox.toggleRepeat();
    return Pt_CONTINUE;
}

int cbPlayList(PtWidget_t*, void*, PtCallbackInfo_t* info) {
    const auto* list = static_cast<const PtListCallback_t*>(info->cbdata);
    if (!list) return Pt_CONTINUE;
    const int row = list->item_pos;
    const bool withReason = info->reason_subtype != 0;
    const long long microseconds = static_cast<long long>(EventTime(info)) * 1000;
    Command([row, withReason, microseconds] { g_app->jukebox.rowSelected(row, withReason, microseconds); });
    return Pt_CONTINUE;
}

int cbTimeSlider(PtWidget_t*, void*, PtCallbackInfo_t* info) {
    g_app->jukebox.setSliderDragged(info->reason_subtype == Pt_SLIDER_DRAGGED);
    return Pt_CONTINUE;
}

int cbAddTracks(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] { g_app->jukebox.addTracks(g_app->browser.frontTracks()); });
    return Pt_CONTINUE;
}

int cbAutoClear(PtWidget_t* widget, void*, PtCallbackInfo_t*) {
    g_app->jukebox.toggleAutoclear();
    SetPressed(widget, g_app->prefs.autoclear);
    return Pt_CONTINUE;
}

int cbClearItem(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] {
        g_app->jukebox.stopPlayback();
        g_app->jukebox.clearPlaylist();
    });
    return Pt_CONTINUE;
}

void QuitJukebox() { g_app->jukebox.quitJukebox(g_app->prefsPath); }

int cbQuitItem(PtWidget_t*, void*, PtCallbackInfo_t*) {
    Command([] {
        QuitJukebox();
        PtExit(0);
    });
    return Pt_CONTINUE;
}

// The window closes and the program ends right after this: a command it interrupts is not
// resumed, so the quit runs now.
int cbMainClosing(PtWidget_t*, void*, PtCallbackInfo_t*) {
    QuitJukebox();
    return Pt_CONTINUE;
}

// ---- Settings dialog ----

PtWidget_t* g_settings = nullptr;

// The dialogs are made once and hidden when closed: each opening fills them afresh.
PtWidget_t* OpenDialog(PtWidget_t*& dialog, const ApEventLink_t* link) {
    if (dialog) PtRealizeWidget(dialog);
    else dialog = ApCreateModule(link, g_main, nullptr);
    return dialog;
}

int cbSettingsItem(PtWidget_t*, void*, PtCallbackInfo_t*) {
    if (!OpenDialog(g_settings, &kSettingsLink)) return Pt_CONTINUE;
    const Prefs& prefs = g_app->prefs;
    auto w = [](const char* name) { return ApGetWidgetPtr(g_settings, name); };
    SetPressed(w("AutoSaveToggle"), prefs.saveOnExit);
    SetText(w("CoverFilenamesText"), JoinedCoverNames(prefs));
    SetPressed(w("ReplayGainToggle"), prefs.replayGain);
    char decibels[64];
    std::snprintf(decibels, sizeof decibels, "%.1f", prefs.addDecibels);
    SetText(w("AddDecibelsText"), decibels);
    SetText(w("DefaultListText"), prefs.defaultList.value_or(""));
    SetText(w("StartingDirectoryText"), prefs.directory.value_or(""));
    PtSetResource(w("DefaultListCombo"), Pt_ARG_CBOX_SEL_ITEM, static_cast<unsigned>(prefs.defaultListMode + 1), 0);
    return Pt_CONTINUE;
}

void CloseSettings() {
    if (g_settings) PtUnrealizeWidget(g_settings);
}

int cbSettingsOK(PtWidget_t*, void*, PtCallbackInfo_t*) {
    if (!g_settings) return Pt_CONTINUE;
    Prefs& prefs = g_app->prefs;
    auto w = [](const char* name) { return ApGetWidgetPtr(g_settings, name); };
    auto isSet = [&](const char* name) { return (PtWidgetFlags(w(name)) & Pt_SET) ? 1 : 0; };
    prefs.saveOnExit = isSet("AutoSaveToggle");
    prefs.replayGain = isSet("ReplayGainToggle");
    prefs.coverNames.clear();
    AddCoverNames(prefs, TextOf(w("CoverFilenamesText")));
    const std::string decibels = TextOf(w("AddDecibelsText"));
    if (!decibels.empty()) prefs.addDecibels = std::strtod(decibels.c_str(), nullptr);
    prefs.defaultList = TextOf(w("DefaultListText"));
    prefs.directory = TextOf(w("StartingDirectoryText"));
    unsigned short* selected = nullptr;
    PtGetResource(w("DefaultListCombo"), Pt_ARG_CBOX_SEL_ITEM, &selected, 0);
    if (selected && *selected > 0) prefs.defaultListMode = *selected - 1;
    if (g_app->prefsPath) WritePrefs(prefs, *g_app->prefsPath);
    CloseSettings();
    return Pt_CONTINUE;
}

int cbSettingsCancel(PtWidget_t*, void*, PtCallbackInfo_t*) {
    CloseSettings();
    return Pt_CONTINUE;
}

// ---- Save dialog ----

PtWidget_t* g_save = nullptr;
std::string g_saveRoot;
std::string g_lastChosen;
unsigned long g_lastChosenTime = 0;

void CloseSave() {
    if (g_save) PtUnrealizeWidget(g_save);
}

// A file the play list may replace without asking: none yet, or a play list already.
bool MayReplace(const std::string& path) {
    std::FILE* f = OpenRegularStream(path, O_RDONLY, "rb");
    if (!f) return true;
    char head[8] = {};
    const std::size_t got = std::fread(head, 1, 7, f);
    std::fclose(f);
    if (got == 7 && std::strcmp(head, "#EXTM3U") == 0) return true;
    const std::size_t dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
    return g_ascii_strcasecmp(ext.c_str(), ".m3u") == 0 || g_ascii_strcasecmp(ext.c_str(), ".pls") == 0;
}

// The folder the selector shows now: the user may have opened another one since it opened, or
// a view of no one folder (recent files), which is "".
std::string ShownFolder() {
    const char* shown = nullptr;
    if (PtGetResource(ApGetWidgetPtr(g_save, "SaveFileSel"), Pt_ARG_FS_ROOT_DIR, &shown, 0) != 0 || !shown)
        return g_saveRoot;
    return shown;
}

// Saves under the typed name in the folder shown; false when the dialog stays open (the user
// chose not to replace a file that is no play list, or the place is refused).
bool SaveFromText() {
    const std::string name = TextOf(ApGetWidgetPtr(g_save, "SaveFileText"));
    if (name.empty()) return true;
    const std::string shown = ShownFolder();
    if (shown.empty()) {
        g_view.alert(texts::kSaveNoFolder);
        return false;
    }
    std::string path = shown + "/" + name;
    if (name.find('.') == std::string::npos) path += ".m3u";
    const std::size_t slash = path.rfind('/');
    const std::string folder = path.substr(0, slash), file = path.substr(slash + 1);
    // Held inside the music folder as the port's saves are, and never written through a link.
    std::string root = g_app->prefs.directory.value_or(".");
    if (root.empty()) root = ".";
    const SaveRefusal why = CheckSaveTarget(root, folder, file);
    if (why != SaveRefusal::None) {
        gchar* text = g_strdup_printf(why == SaveRefusal::Outside ? texts::kSaveOutsideMusic : texts::kSaveOverLink,
                                      why == SaveRefusal::Outside ? root.c_str() : path.c_str());
        g_view.alert(text);
        g_free(text);
        return false;
    }
    if (!MayReplace(path)) {
        const std::string question = "\"" + file + "\" is not a playlist.\nReplace it with the playlist?";
        const char* buttons[] = {"Replace", "Cancel"};
        if (PtAlert(g_save, nullptr, texts::kAlertTitle, nullptr, question.c_str(), nullptr, 2, buttons, nullptr, 2, 2,
                    0) != 1)
            return false;
    }
    Command([folder, file] { g_app->jukebox.savePlaylist(folder, file, true); });
    return true;
}

int cbSaveItem(PtWidget_t*, void*, PtCallbackInfo_t*) {
    if (!OpenDialog(g_save, &kSaveLink)) return Pt_CONTINUE;
    // The front page's folder (a page description's own folder).
    g_saveRoot = g_app->browser.frontPath().value_or(".");
    if (!g_file_test(g_saveRoot.c_str(), G_FILE_TEST_IS_DIR)) {
        gchar* folder = g_path_get_dirname(g_saveRoot.c_str());
        g_saveRoot = folder;
        g_free(folder);
    }
    PtSetResource(ApGetWidgetPtr(g_save, "SaveFileSel"), Pt_ARG_FS_ROOT_DIR, g_saveRoot.c_str(), 0);
    g_lastChosen.clear();
    return Pt_CONTINUE;
}

int cbSaveFileSel(PtWidget_t*, void*, PtCallbackInfo_t* info) {
    const auto* chosen = static_cast<const PtFileSelCallback_t*>(info->cbdata);
    if (!chosen || !chosen->path) return Pt_CONTINUE;
    // Only a file that may be a play list gives its name: a folder is there to be opened, and a
    // track is no name to save a play list under.
    if (g_file_test(chosen->path, G_FILE_TEST_IS_DIR) || g_app->jukebox.findBackend(chosen->path)) {
        g_lastChosen.clear();
        return Pt_CONTINUE;
    }
    std::string name = chosen->path;
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) name = name.substr(slash + 1);
    const unsigned long now = EventTime(info);
    // A file chosen again at once (a double click) or activated by Return is saved to at once.
    const bool activated = info->event && info->event->type == Ph_EV_KEY && info->event->data.key.key_cap == Pk_Return;
    const bool again = activated || (name == g_lastChosen && now - g_lastChosenTime < kSaveDoubleMilliseconds);
    g_lastChosen = name;
    g_lastChosenTime = now;
    SetText(ApGetWidgetPtr(g_save, "SaveFileText"), name);
    if (!again) return Pt_CONTINUE;
    // A third click of the same run chooses the file anew, it does not save twice.
    g_lastChosen.clear();
    if (SaveFromText()) CloseSave();
    return Pt_CONTINUE;
}

int cbSaveFileText(PtWidget_t*, void*, PtCallbackInfo_t*) {
    SaveFromText();
    return Pt_CONTINUE;
}

int cbSaveOK(PtWidget_t*, void*, PtCallbackInfo_t*) {
    if (SaveFromText()) CloseSave();
    return Pt_CONTINUE;
}

int cbSaveCancel(PtWidget_t*, void*, PtCallbackInfo_t*) {
    CloseSave();
    return Pt_CONTINUE;
}

// ---- Keys ----

int cbHotkey(PtWidget_t*, void* data, PtCallbackInfo_t* info) {
    switch (reinterpret_cast<long>(data)) {
    case 'p': cbPlay(nullptr, nullptr, info); break;
    case ' ': cbPause(nullptr, nullptr, info); break;
    case 's': cbStop(nullptr, nullptr, info); break;
    case 'f':
    case 'n': cbNext(nullptr, nullptr, info); break;
    case 'b': cbPrev(nullptr, nullptr, info); break;
    case 'u':
        Command([] {
            g_app->jukebox.toggleShuffle();
            SetPressed(W("ShuffleButton"), g_app->prefs.shuffle);
        });
        break;
    case 'r':
        g_app->jukebox.toggleRepeat();
        SetPressed(W("RepeatButton"), g_app->prefs.repeat);
        break;
    }
    return Pt_CONSUME;
}

int cbRawKey(PtWidget_t*, void*, PtCallbackInfo_t* info) {
    if (!info->event) return Pt_CONTINUE;
    const auto* key = static_cast<const PhKeyEvent_t*>(PhGetData(info->event));
    if (!(key->key_flags & Pk_KF_Key_Down)) return Pt_CONTINUE;
    switch (key->key_cap) {
    case Pk_F9: cbPrev(nullptr, nullptr, info); return Pt_CONSUME;
    case Pk_F10: cbNext(nullptr, nullptr, info); return Pt_CONSUME;
    case Pk_F11:
        if (g_app->jukebox.isPlaying()) cbPause(nullptr, nullptr, info);
        else cbPlay(nullptr, nullptr, info);
        return Pt_CONSUME;
    }
    return Pt_CONTINUE;
}

const ApCallbackName_t kCallbacks[] = {{"cbPlay", cbPlay},
                                       {"cbPause", cbPause},
                                       {"cbStop", cbStop},
                                       {"cbNext", cbNext},
                                       {"cbPrev", cbPrev},
                                       {"cbDelete", cbDelete},
                                       {"cbBack", cbBack},
                                       {"cbHome", cbHome},
                                       {"cbShuffle", cbShuffle},
                                       {"cbRepeat", cbRepeat},
                                       {"cbPlayList", cbPlayList},
                                       {"cbTimeSlider", cbTimeSlider},
                                       {"cbAddTracks", cbAddTracks},
                                       {"cbAutoClear", cbAutoClear},
                                       {"cbClearItem", cbClearItem},
                                       {"cbQuitItem", cbQuitItem},
                                       {"cbMainClosing", cbMainClosing},
                                       {"cbSettingsItem", cbSettingsItem},
                                       {"cbSettingsOK", cbSettingsOK},
                                       {"cbSettingsCancel", cbSettingsCancel},
                                       {"cbSaveItem", cbSaveItem},
                                       {"cbSaveFileSel", cbSaveFileSel},
                                       {"cbSaveFileText", cbSaveFileText},
                                       {"cbSaveOK", cbSaveOK},
                                       {"cbSaveCancel", cbSaveCancel},
                                       {nullptr, nullptr}};

// ---- Single instance ----

const void* OnInstanceMessage(PtConnectionServer_t*, void*, unsigned long type, const void*, unsigned,
                              unsigned* replyLength) {
    static const unsigned char kZero[4] = {0, 0, 0, 0};
    if (type == 0 && g_main) PtWindowToFront(g_main);
    *replyLength = sizeof kZero;
    return kZero;
}

void OnInstanceConnection(PtConnector_t*, PtConnectionServer_t* connection, void*) {
    static const PtConnectionMsgHandler_t kHandlers[] = {{0, OnInstanceMessage}};
    if (PtConnectionAddMsgHandlers(connection, kHandlers, 1) != 0) {
        std::fputs(kNoHandler, stderr);
        PtConnectionServerDestroy(connection);
    }
}

}  // namespace

const ApContext_t* Context(const char* uiDirectory) {
    static ApContext_t context{};
    context = {uiDirectory, kCallbacks, "Sorvex"};
    return &context;
}

int CheckSingleInstance() {
    for (;;) {
        if (PtConnectorCreate(kConnectorName, OnInstanceConnection, nullptr)) return 0;
        PtConnectionClient_t* other = PtConnectionFindName(kConnectorName, 0, 0);
        if (!other) continue;  // the other instance has just gone: offer the connector again
        const unsigned char body[4] = {0, 0, 0, 0};
        unsigned char reply[4];
        const int sent = PtConnectionSend(other, 0, body, reply, sizeof body, sizeof reply);
        PtConnectionClientDestroy(other);
        if (sent == -1) std::fputs(kSendFailed, stderr);
        return 1;
    }
}

void Alert(const std::string& text) { g_view.alert(text); }

std::vector<PtWidget_t*> FrontPageItems() {
    return g_app ? g_view.items(g_app->browser.frontContainer()) : std::vector<PtWidget_t*>{};
}

PtWidget_t* OpenMainWindow(App& app) {
    g_app = &app;
    g_main = ApLinkWindow(nullptr, &kMainLink, nullptr);
    if (!g_main) return nullptr;
    CopyButtonImages(g_main);
    app.jukebox.setView(&g_view);
    app.browser.setView(&g_view);
    g_loading = ApCreateModule(&kLoadingLink, g_main, nullptr);
    if (g_loading) PtUnrealizeWidget(g_loading);
    for (long key : {'p', ' ', 's', 'f', 'n', 'b', 'u', 'r'})
        PtAddHotkeyHandler(g_main, static_cast<unsigned>(key), 0, 0, reinterpret_cast<void*>(key), cbHotkey);
    PtAddEventHandler(g_main, Ph_EV_KEY, cbRawKey, nullptr);
    g_view.bringToFront(0);
    Enable(W("BackButton"), false);
    app.browser.showDirectory(app.browser.startingDirectory(), false);
    // Set from the preferences without flipping them (a change by the program raises no callback).
    SetPressed(W("ShuffleButton"), app.prefs.shuffle);
    SetPressed(W("RepeatButton"), app.prefs.repeat);
    SetPressed(W("AutoClearItem"), app.prefs.autoclear);
    app.jukebox.updateControls();
    if (app.prefs.defaultList && !app.prefs.defaultList->empty() && app.prefs.defaultListMode > 0)
        Command([&app] { app.jukebox.openPath(*app.prefs.defaultList, app.prefs.defaultListMode == 2); });
    return g_main;
}

}  // namespace sorvex::window
