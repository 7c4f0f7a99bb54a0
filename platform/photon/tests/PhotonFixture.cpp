#include "PhotonFixture.h"

#include <cstdlib>

namespace photon::testing {

std::vector<Seen>& Log()
{
    static std::vector<Seen> log;
    return log;
}

namespace {

const char* ReasonName(unsigned long r)
{
    switch (r) {
    case Pt_CB_ACTIVATE: return "activate";
    case Pt_CB_ARM: return "arm";
    case Pt_CB_DISARM: return "disarm";
    case Pt_CB_REPEAT: return "repeat";
    case Pt_CB_SELECTION: return "selection";
    case Pt_CB_SLIDER_MOVE: return "slider";
    case Pt_CB_NUMERIC_CHANGED: return "numeric";
    case Pt_CB_TIMER_ACTIVATE: return "timer";
    case Pt_CB_REALIZED: return "realized";
    case Pt_CB_DESTROYED: return "destroyed";
    case Pt_CB_WINDOW_CLOSING: return "closing";
    case Pt_CB_HOTKEY: return "hotkey";
    case Pt_CB_RAW: return "raw";
    case Pt_CB_FS_SELECTION: return "fs_selection";
    default: return "?";
    }
}

}  // namespace

std::string Reasons()
{
    std::string out;
    for (auto& s : Log()) {
        if (!out.empty()) out += ' ';
        out += s.widget + ":" + ReasonName(s.reason);
    }
    return out;
}

int cbRecord(PtWidget_t* w, void*, PtCallbackInfo_t* info)
{
    Seen s{ApName(w), info->reason, info->reason_subtype, info->event ? info->event->type : 0, 0};
    if (info->reason == Pt_CB_SELECTION && info->cbdata)
        s.value = static_cast<PtListCallback_t*>(info->cbdata)->item_pos;
    if (info->reason == Pt_CB_SLIDER_MOVE && info->cbdata)
        s.value = static_cast<PtSliderCallback_t*>(info->cbdata)->position;
    if (info->reason == Pt_CB_NUMERIC_CHANGED && info->cbdata)
        s.value = static_cast<PtNumericCallback_t*>(info->cbdata)->numeric_value;
    Log().push_back(s);
    return Pt_CONTINUE;
}

const ApCallbackName_t kCallbacks[] = {{"cbRecord", cbRecord}, {nullptr, nullptr}};

void PhotonTest::SetUp()
{
    static bool started = false;
    if (!started) {
        started = true;
        static ApContext_t ctx{ZEPHRA_PHOTON_TEST_UI, kCallbacks, "photon-tests"};
        char name[] = "photon-tests";
        char* argv[] = {name, nullptr};
        ASSERT_EQ(ApInitialize(1, argv, &ctx), 0) << "no display: run under xvfb-run";
        test::UseManualClock();
    }
    Log().clear();
}

void PhotonTest::TearDown()
{
    if (window) PtDestroyWidget(window);
    window = nullptr;
    test::RunUntilIdle();
}

PtWidget_t* PhotonTest::OpenTestWindow()
{
    static const ApEventLink_t link{ABM_DIALOG, "testwin", nullptr, ABM_PLACE_DEFAULT, 0, 0};
    window = ApCreateModule(&link, nullptr, nullptr);
    test::RunUntilIdle();
    Log().clear();
    return window;
}

}  // namespace photon::testing
