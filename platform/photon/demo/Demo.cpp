// A small program on the appliance GUI layer: a window with a click counter and a coloured
// panel. A click or the C key counts (the panel turns red, then green, in turn); R resets; Q
// quits. With --selftest DIR it works itself through the test driver, keeps its screenshots
// in DIR and exits 0 when everything reacted as it should.
#include "OwnUsage.h"
#include "photon/Photon.h"
#include "photon/PhotonTest.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace photon;

namespace {

constexpr PgColor_t kIdle = 0xC0C0C0, kOdd = 0xE00000, kEven = 0x00A000;
int clicks = 0;

void Show()
{
    char text[32];
    snprintf(text, sizeof text, "Clicks: %d", clicks);
    PtSetResource(ApWidget("countLabel"), Pt_ARG_TEXT_STRING, text, 0);
    PtSetResource(ApWidget("panel"), Pt_ARG_FILL_COLOR, clicks == 0 ? kIdle : clicks % 2 ? kOdd : kEven, 0);
}

int OnClick(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ++clicks;
    Show();
    return Pt_CONTINUE;
}

int OnKey(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* key = static_cast<PhKeyEvent_t*>(PhGetData(info->event));
    if (!(key->key_flags & Pk_KF_Key_Down) || key->key_mods) return Pt_CONTINUE;
    switch (key->key_cap) {
    case 'c': ++clicks; break;
    case 'r': clicks = 0; break;
    case 'q': PtExit(0);
    default: return Pt_CONTINUE;
    }
    Show();
    return Pt_CONSUME;
}

int DemoSetup(PtWidget_t* window, ApInfo_t* info, PtCallbackInfo_t*)
{
    if (info->reason == ABR_PRE_REALIZE) {
        PtAddEventHandler(window, Ph_EV_KEY, OnKey, nullptr);
        Show();
    }
    return Pt_CONTINUE;
}

const ApCallbackName_t kCallbacks[] = {{"OnClick", OnClick}, {nullptr, nullptr}};
const ApEventLink_t kDemoWindow = {ABM_WINDOW, "demo", DemoSetup, ABM_PLACE_DEFAULT, 0, 0};

bool Check(bool ok, const char* what)
{
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    return ok;
}

int SelfTest(PtWidget_t* window, const std::string& dir)
{
    namespace t = photon::test;
    std::string before = dir + "/demo-before.png", clicked = dir + "/demo-clicked.png", keyed = dir + "/demo-key.png";
    bool ok = Check(t::Screenshot(window, before.c_str()), "screenshot of the window");
    t::Click(t::Find("clickButton"));
    ok &= Check(t::Text(t::Find("countLabel")) == "Clicks: 1", "the click counted");
    ok &= Check(t::Screenshot(window, clicked.c_str()), "screenshot after the click");
    double changed = t::PictureDifference(before.c_str(), clicked.c_str(), 24);
    ok &= Check(changed > 0.10, "the click shows in the picture");
    t::Key(window, 'c');
    ok &= Check(t::Text(t::Find("countLabel")) == "Clicks: 2", "the key counted");
    ok &= Check(t::Screenshot(window, keyed.c_str()), "screenshot after the key");
    ok &= Check(t::PictureDifference(clicked.c_str(), keyed.c_str(), 24) > 0.10, "the key shows in the picture");
    t::Key(window, 'r');
    ok &= Check(t::Text(t::Find("countLabel")) == "Clicks: 0", "R resets");
    std::string reset = dir + "/demo-reset.png";
    t::Screenshot(window, reset.c_str());
    ok &= Check(t::PictureDifference(before.c_str(), reset.c_str(), 24) < 0.01, "reset looks as at the start");
    printf("screenshots in %s\n", dir.c_str());
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qnx::AsksForHelp(argc, argv, false)) return qnx::ShowUsage(kOwnUsage);
    // Every option is checked before a window opens; -x, -y, -w, -h and -s are the layer's.
    std::string selftest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool valued =
            a == "--selftest" || a == "-x" || a == "-y" || a == "-w" || a == "-h" || a == "-s" || a == "-S";
        if (!valued) return qnx::UsageError(kOwnUsage, "unknown option " + a, 2);
        if (i + 1 >= argc) return qnx::UsageError(kOwnUsage, a + " needs a value", 2);
        if (a == "--selftest") selftest = argv[i + 1];
        ++i;
    }
    static const std::string ui = ApProgramDataFolder("photon-demo");
    const ApContext_t context = {ui.c_str(), kCallbacks, "photon-demo"};
    if (ApInitialize(argc, argv, &context) != 0) {
        fprintf(stderr, "photon-demo: no display (set DISPLAY or run under xvfb-run)\n");
        return 2;
    }
    PtWidget_t* window = ApLinkWindow(nullptr, &kDemoWindow, nullptr);
    if (!window) return 2;
    if (!selftest.empty()) {
        photon::test::UseManualClock();
        int status = SelfTest(window, selftest);
        fflush(stdout);
        PtExit(status);
    }
    PtMainLoop();
    return 0;
}
