// Widgets as the appliance programs work them: callbacks in order, flags, resources, lists,
// sliders, menus, keys, widget timers, modules.
#include "PhotonFixture.h"

#include <cstring>
#include <unistd.h>

namespace photon::testing {
namespace {

using namespace photon::test;

int setup_calls[3];
int RecordSetup(PtWidget_t*, ApInfo_t* info, PtCallbackInfo_t*)
{
    ++setup_calls[info->reason];
    return Pt_CONTINUE;
}

int keys_seen;
unsigned long last_cap, last_flags;
int OnKey(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* key = static_cast<PhKeyEvent_t*>(PhGetData(info->event));
    ++keys_seen;
    last_cap = key->key_cap;
    last_flags = key->key_flags;
    return Pt_CONTINUE;
}

int hotkeys_seen;
int OnHotkey(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    EXPECT_EQ(info->reason, Pt_CB_HOTKEY);
    ++hotkeys_seen;
    return Pt_CONTINUE;
}

int timer_events;
unsigned long timer_at;
int OnTimer(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    EXPECT_EQ(info->event->type, Ph_EV_TIMER);
    ++timer_events;
    timer_at = Now();
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, ModuleWidgetsByNameWithSetupBeforeAndAfterRealising)
{
    static const ApEventLink_t link{ABM_DIALOG, "testwin", RecordSetup, ABM_PLACE_DEFAULT, 0, 0};
    memset(setup_calls, 0, sizeof setup_calls);
    window = ApCreateModule(&link, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(setup_calls[ABR_PRE_REALIZE], 1);
    EXPECT_EQ(setup_calls[ABR_POST_REALIZE], 1);
    PtWidget_t* play = ApGetWidgetPtr(window, "PlayButton");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play, Find("PlayButton"));
    EXPECT_STREQ(ApName(play), "PlayButton");
    EXPECT_EQ(ApGetInstance(play), window);
    EXPECT_EQ(PtFindDisjoint(play), window);
    EXPECT_TRUE(PtWidgetIsClass(play, PtButton));
    EXPECT_TRUE(PtWidgetIsClass(Find("muteButton"), PtToggleButton));
    EXPECT_TRUE(PtWidgetIsClass(Find("timer"), PtTimer));
    EXPECT_TRUE(PtWidgetIsClass(Find("PlayList"), PtList));
    EXPECT_EQ(ApGetWidgetPtr(window, "noSuchWidget"), nullptr);
    RunUntilIdle();
    EXPECT_TRUE(PtWidgetIsRealized(window));
    EXPECT_TRUE(PtWidgetFlags(play) & Pt_REALIZED);
    EXPECT_EQ(Text(Find("statusBar")), "Ready");

    // A module that is missing gives no widget and says why.
    static const ApEventLink_t missing{ABM_DIALOG, "noSuchModule", nullptr, 0, 0, 0};
    EXPECT_EQ(ApCreateModule(&missing, nullptr, nullptr), nullptr);
}

TEST_F(PhotonTest, ButtonArmsDisarmsThenActivatesAndRepeatsWhileHeld)
{
    OpenTestWindow();
    Click(Find("PlayButton"));
    EXPECT_EQ(Reasons(), "PlayButton:arm PlayButton:disarm PlayButton:activate");
    ASSERT_EQ(Log().size(), 3u);
    EXPECT_EQ(Log()[0].event, Ph_EV_BUT_PRESS);
    EXPECT_EQ(Log()[2].event, Ph_EV_BUT_RELEASE);

    // Held for 550 ms: repeats at 300, 400 and 500 ms, then the release activates.
    Log().clear();
    Hold(Find("fastForwardButton"), 550);
    EXPECT_EQ(Reasons(),
              "fastForwardButton:repeat fastForwardButton:repeat fastForwardButton:repeat "
              "fastForwardButton:activate");

    // A blocked button takes no input; ghosting shows it dimmed.
    Log().clear();
    PtSetResource(Find("PlayButton"), Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED | Pt_GHOST);
    Click(Find("PlayButton"));
    EXPECT_EQ(Reasons(), "");
    EXPECT_EQ(PtWidgetFlags(Find("PlayButton")) & (Pt_BLOCKED | Pt_GHOST), Pt_BLOCKED | Pt_GHOST);
    PtSetResource(Find("PlayButton"), Pt_ARG_FLAGS, Pt_FALSE, Pt_BLOCKED | Pt_GHOST);
    Click(Find("PlayButton"));
    EXPECT_EQ(Log().size(), 3u);

    // A blocked window blocks its children.
    Log().clear();
    PtSetResource(window, Pt_ARG_FLAGS, -1, Pt_BLOCKED);
    Click(Find("PlayButton"));
    EXPECT_EQ(Reasons(), "");
    PtSetResource(window, Pt_ARG_FLAGS, 0, Pt_BLOCKED);
}

TEST_F(PhotonTest, ToggleSetFlagFollowsTheUserAndTheProgramRaisesNothing)
{
    OpenTestWindow();
    PtWidget_t* mute = Find("muteButton");
    EXPECT_FALSE(Flags(mute) & Pt_SET);
    Click(mute);
    EXPECT_TRUE(Flags(mute) & Pt_SET);
    EXPECT_EQ(Reasons(), "muteButton:activate");
    Log().clear();
    PtSetResource(mute, Pt_ARG_FLAGS, Pt_FALSE, Pt_SET);
    RunUntilIdle();
    EXPECT_FALSE(Flags(mute) & Pt_SET);
    EXPECT_EQ(Reasons(), "");

    // The menu's toggle item keeps its check mark in Pt_SET.
    PtWidget_t* item = Find("AutoClearItem");
    ChooseItem(item);
    EXPECT_TRUE(Flags(item) & Pt_SET);
    EXPECT_EQ(Reasons(), "AutoClearItem:activate");
    Log().clear();
    PtSetResource(item, Pt_ARG_FLAGS, Pt_FALSE, Pt_SET);
    EXPECT_FALSE(Flags(item) & Pt_SET);
    EXPECT_EQ(Reasons(), "");
    PtSetResource(item, Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED | Pt_GHOST);
    ChooseItem(item);
    EXPECT_EQ(Reasons(), "");
}

TEST_F(PhotonTest, ResourcesReadBack)
{
    OpenTestWindow();
    PtWidget_t* label = Find("statusBar");
    PtSetResource(label, Pt_ARG_TEXT_STRING, "Playing", 0);
    EXPECT_EQ(Text(label), "Playing");
    PtSetResource(label, Pt_ARG_TEXT_STRING, nullptr, 0);
    EXPECT_EQ(Text(label), "");

    int cookie = 42;
    PtSetResource(label, Pt_ARG_USER_DATA, &cookie, sizeof cookie);
    cookie = 0;
    int* back = nullptr;
    PtGetResource(label, Pt_ARG_USER_DATA, &back, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, 42);  // a copy: the caller's buffer may be gone by then
    PtSetResource(label, Pt_ARG_POINTER, &cookie, 0);
    int* ptr = nullptr;
    PtGetResource(label, Pt_ARG_POINTER, &ptr, 0);
    EXPECT_EQ(ptr, &cookie);

    PtWidget_t* slider = Find("TimeSlider");
    PtSetResource(slider, Pt_ARG_GAUGE_MAXIMUM, 300, 0);
    PtSetResource(slider, Pt_ARG_GAUGE_VALUE, 120, 0);
    EXPECT_EQ(Value(slider), 120);
    PtWidget_t* spin = Find("dvd_windowX");
    PtSetResource(spin, Pt_ARG_NUMERIC_MIN, -32768, 0);
    PtSetResource(spin, Pt_ARG_NUMERIC_VALUE, -20, 0);
    EXPECT_EQ(Value(spin), -20);
    EXPECT_EQ(Reasons(), "");  // program changes raise nothing
    PtSetResource(spin, Pt_ARG_NUMERIC_MAX, 1000, 0);
    Log().clear();
    EnterNumber(spin, 35);  // a user's value does
    EXPECT_EQ(Value(spin), 35);
    EXPECT_EQ(Reasons(), "dvd_windowX:numeric");
    Log().clear();
    PtSetResource(spin, Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED);
    EnterNumber(spin, 36);
    EXPECT_EQ(Value(spin), 35);
    PtSetResource(spin, Pt_ARG_FLAGS, Pt_FALSE, Pt_BLOCKED);

    PhDim_t dim{200, 150};
    PtSetResource(window, Pt_ARG_DIM, &dim, 0);
    RunUntilIdle();
    PhDim_t* got = nullptr;
    PtGetResource(window, Pt_ARG_DIM, &got, 0);
    ASSERT_NE(got, nullptr);
    EXPECT_GE(got->w, 200);

    PtSetResource(window, Pt_ARG_WINDOW_TITLE, "Sorvex", 0);
    const char* title = nullptr;
    PtGetResource(window, Pt_ARG_WINDOW_TITLE, &title, 0);
    EXPECT_STREQ(title, "Sorvex");
    long* flags = nullptr;
    PtGetResource(window, Pt_ARG_FLAGS, &flags, 0);
    ASSERT_NE(flags, nullptr);
    EXPECT_TRUE(*flags & Pt_REALIZED);
}

TEST_F(PhotonTest, SliderDragReportsDraggedThenReleased)
{
    OpenTestWindow();
    PtWidget_t* slider = Find("TimeSlider");
    MoveSlider(slider, 40);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].subtype, Pt_SLIDER_DRAGGED);
    EXPECT_EQ(Log()[0].value, 40);
    EXPECT_EQ(Log()[1].subtype, Pt_SLIDER_RELEASED);
    EXPECT_EQ(Value(slider), 40);
}

TEST_F(PhotonTest, ListRowsAndSelectionNotices)
{
    OpenTestWindow();
    PtWidget_t* list = Find("PlayList");
    const char* items[] = {"one", "two", "three"};
    PtListAddItems(list, items, 3, 0);
    const char* first[] = {"zero"};
    PtListAddItems(list, first, 1, 1);
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"zero", "one", "two", "three"}));
    EXPECT_EQ(PtListItemPos(list, "two"), 3);
    EXPECT_EQ(PtListItemPos(list, "none"), 0);

    // A tap: a browse notice on press, a final one on release, both for the row.
    SelectRow(list, 2);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].subtype, Pt_LIST_SELECTION_BROWSE);
    EXPECT_EQ(Log()[0].value, 2);
    EXPECT_EQ(Log()[1].subtype, Pt_LIST_SELECTION_FINAL);
    unsigned short* sel = nullptr;
    unsigned short* count = nullptr;
    PtGetResource(list, Pt_ARG_SELECTION_INDEXES, &sel, 0);
    PtGetResource(list, Pt_ARG_LIST_SEL_COUNT, &count, 0);
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(*count, 1);
    EXPECT_EQ(sel[0], 2);

    // The program's selection raises nothing.
    Log().clear();
    PtListSelectPos(list, 4);
    PtListGotoPos(list, 1);
    RunUntilIdle();
    EXPECT_EQ(Reasons(), "");
    PtGetResource(list, Pt_ARG_SELECTION_INDEXES, &sel, 0);
    EXPECT_EQ(sel[0], 1);

    EXPECT_EQ(PtListDeleteItemPos(list, 1, 2), 0);
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"zero", "two", "three"}));
    EXPECT_EQ(PtListDeleteItemPos(list, 2, 3), -1);  // past the end
    PtListDeleteAllItems(list);
    unsigned short* n = nullptr;
    PtGetResource(list, Pt_ARG_LIST_ITEM_COUNT, &n, 0);
    EXPECT_EQ(*n, 0);
}

TEST_F(PhotonTest, ComboSelectionComesWithARealRelease)
{
    OpenTestWindow();
    PtWidget_t* combo = Find("modeCombo");
    SelectRow(combo, 2);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].subtype, 0u);
    EXPECT_EQ(Log()[0].event, Ph_EV_BUT_RELEASE);
    EXPECT_EQ(Log()[0].value, 2);
    unsigned short* item = nullptr;
    PtGetResource(combo, Pt_ARG_CBOX_SEL_ITEM, &item, 0);
    EXPECT_EQ(*item, 2);
    Log().clear();
    PtSetResource(combo, Pt_ARG_CBOX_SEL_ITEM, 1, 0);
    PtListDeleteAllItems(combo);
    const char* modes[] = {"custom", "home entertainment", "640 x 480", "800 x 600"};
    PtListAddItems(combo, modes, 4, 0);
    EXPECT_EQ(Rows(combo).size(), 4u);
    EXPECT_EQ(Reasons(), "");
}

TEST_F(PhotonTest, TextFieldTypingAndEnter)
{
    OpenTestWindow();
    PtWidget_t* text = Find("SaveFileText");
    TypeText(text, "list.m3u");
    EXPECT_EQ(Text(text), "list.m3u");
    EXPECT_EQ(Reasons(), "");
    Key(text, Pk_Return);
    EXPECT_EQ(Reasons(), "SaveFileText:activate");
}

TEST_F(PhotonTest, KeysGoToHotkeysThenRawHandlers)
{
    OpenTestWindow();
    keys_seen = hotkeys_seen = 0;
    PtAddEventHandler(window, Ph_EV_KEY, OnKey, nullptr);
    PtAddHotkeyHandler(window, 'o', Pk_KM_Ctrl, 0, nullptr, OnHotkey);

    KeyDown(window, 'p');
    EXPECT_EQ(keys_seen, 1);
    EXPECT_EQ(last_cap, static_cast<unsigned long>('p'));
    EXPECT_TRUE(last_flags & Pk_KF_Key_Down);
    EXPECT_TRUE(last_flags & Pk_KF_Cap_Valid);
    EXPECT_FALSE(last_flags & Pk_KF_Key_Repeat);
    KeyDown(window, 'p');  // held: the display repeats the press
    EXPECT_TRUE(last_flags & Pk_KF_Key_Repeat);
    KeyUp(window, 'p');
    EXPECT_EQ(keys_seen, 3);
    EXPECT_FALSE(last_flags & Pk_KF_Key_Down);

    Key(window, Pk_F9);
    EXPECT_EQ(last_cap, Pk_F9);

    int before = keys_seen;
    Key(window, 'o', Pk_KM_Ctrl);
    EXPECT_EQ(hotkeys_seen, 1);
    EXPECT_EQ(keys_seen, before + 1);  // the hotkey took the press; the release is raw
    Key(window, 'o');                  // without Ctrl it is no hotkey
    EXPECT_EQ(hotkeys_seen, 1);

    // A key made by the program reaches the window's key handlers, from any of its widgets.
    before = keys_seen;
    PhEvent_t made{};
    made.type = Ph_EV_KEY;
    made.data.key.key_flags = Pk_KF_Key_Down | Pk_KF_Sym_Valid;
    made.data.key.key_sym = Pk_Up;
    EXPECT_EQ(PtSendEventToWidget(Find("fastForwardButton"), &made), 0);
    EXPECT_EQ(keys_seen, before + 1);
    EXPECT_EQ(last_flags, Pk_KF_Key_Down | Pk_KF_Sym_Valid);

    // A blocked window takes no keys.
    PtSetResource(window, Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED);
    before = keys_seen;
    Key(window, 'p');
    EXPECT_EQ(keys_seen, before);
}

TEST_F(PhotonTest, WidgetTimersFollowTheLayersClock)
{
    OpenTestWindow();
    PtWidget_t* group = Find("ControlGroup");
    timer_events = 0;
    PtAddEventHandler(group, Ph_EV_TIMER, OnTimer, nullptr);
    unsigned long start = Now();
    PtTimerArm(group, 200);
    AdvanceClock(199);
    EXPECT_EQ(timer_events, 0);
    AdvanceClock(1);
    EXPECT_EQ(timer_events, 1);
    EXPECT_EQ(timer_at, start + 200);
    AdvanceClock(1000);
    EXPECT_EQ(timer_events, 1);  // once per arming

    // Arming again replaces the earlier time; 0 disarms.
    PtTimerArm(group, 100);
    PtTimerArm(group, 300);
    AdvanceClock(299);
    EXPECT_EQ(timer_events, 1);
    AdvanceClock(1);
    EXPECT_EQ(timer_events, 2);
    PtTimerArm(group, 100);
    PtTimerArm(group, 0);
    AdvanceClock(500);
    EXPECT_EQ(timer_events, 2);

    // A timer widget: the initial time, then every repeat, until its initial time is 0.
    PtWidget_t* timer = Find("timer");
    PtSetResource(timer, Pt_ARG_TIMER_REPEAT, 50, 0);
    PtSetResource(timer, Pt_ARG_TIMER_INITIAL, 100, 0);
    AdvanceClock(99);
    EXPECT_EQ(Reasons(), "");
    AdvanceClock(101);
    EXPECT_EQ(Reasons(), "timer:timer timer:timer timer:timer");
    PtSetResource(timer, Pt_ARG_TIMER_INITIAL, 0, 0);
    AdvanceClock(500);
    EXPECT_EQ(Log().size(), 3u);
}

TEST_F(PhotonTest, ClosingAWindowRunsItsClosingThenDestroyedCallbacks)
{
    OpenTestWindow();
    PtAddCallback(window, Pt_CB_WINDOW_CLOSING, cbRecord, nullptr);
    PtAddCallback(window, Pt_CB_DESTROYED, cbRecord, nullptr);
    PtAddCallback(Find("PlayButton"), Pt_CB_DESTROYED, cbRecord, nullptr);
    CloseWindow(window);
    EXPECT_EQ(Reasons(), "testwin:closing PlayButton:destroyed testwin:destroyed");
    EXPECT_EQ(Find("PlayButton"), nullptr);
    window = nullptr;
}

TEST_F(PhotonTest, CreatedWidgetsPlacedOrderedAndDestroyed)
{
    OpenTestWindow();
    PtWidget_t* scroll = PtCreateWidget(PtScrollContainer, Find("BaseGroup"), 0, nullptr);
    ASSERT_NE(scroll, nullptr);
    PtArg_t args[4];
    PhPoint_t pos{5, 5};
    PtSetArg(&args[0], Pt_ARG_POS, &pos, 0);
    PtSetArg(&args[1], Pt_ARG_TEXT_STRING, "Jazz", 0);
    PtSetArg(&args[2], Pt_ARG_FILL_COLOR, 0x0000A0, 0);
    PtSetArg(&args[3], Pt_ARG_TEXT_FONT, "lub12b", 0);
    PtWidget_t* button = PtCreateWidget(PtButton, scroll, 4, args);
    ASSERT_NE(button, nullptr);
    PtAddCallback(button, Pt_CB_ACTIVATE, cbRecord, nullptr);
    PtRealizeWidget(scroll);
    PtRealizeWidget(button);
    RunUntilIdle();
    EXPECT_EQ(Text(button), "Jazz");
    PgColor_t* fill = nullptr;
    PtGetResource(button, Pt_ARG_FILL_COLOR, &fill, 0);
    EXPECT_EQ(*fill, 0x0000A0u);
    PhPoint_t* at = nullptr;
    PtGetResource(button, Pt_ARG_POS, &at, 0);
    EXPECT_EQ(at->x, 5);
    PhPoint_t away{5, -20000};
    PtSetResource(button, Pt_ARG_POS, &away, 0);
    PtGetResource(button, Pt_ARG_POS, &at, 0);
    EXPECT_EQ(at->y, -20000);
    PtSetResource(button, Pt_ARG_POS, &pos, 0);
    Click(button);
    EXPECT_EQ(Reasons(), ":activate");

    PtWidget_t* label = PtCreateWidget(PtLabel, scroll, 0, nullptr);
    EXPECT_EQ(PtWidgetToBack(label), 0);
    EXPECT_EQ(PtWidgetInsert(label, button, 1), 0);
    EXPECT_EQ(PtWidgetParent(label), scroll);
    PtDestroyWidget(scroll);
    RunUntilIdle();
    EXPECT_EQ(PtWidgetParent(label), nullptr);  // gone with its parent
}

TEST_F(PhotonTest, MenuModulePopsUpAndGoesAfterAChoice)
{
    OpenTestWindow();
    static const ApEventLink_t menu{ABM_MENU, "CommandMenu", nullptr, 0, 0, 0};
    PtWidget_t* m = ApCreateModule(&menu, Find("PlayButton"), nullptr);
    ASSERT_NE(m, nullptr);
    RunUntilIdle();
    PtWidget_t* save = ApGetWidgetPtr(m, "SaveItem");
    ASSERT_NE(save, nullptr);
    PtSetResource(Find("ClearItem"), Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED | Pt_GHOST);
    ChooseItem(Find("ClearItem"));
    EXPECT_EQ(Reasons(), "");
    ChooseItem(save);
    EXPECT_EQ(Reasons(), "SaveItem:activate");
}

TEST_F(PhotonTest, PictureModulesAsImageDatabasesAndPanes)
{
    OpenTestWindow();
    static const ApEventLink_t icons{ABM_PICTURE, "icons", nullptr, 0, 0, 0};
    ApDBase_t* db = ApOpenDBase(&icons);
    ASSERT_NE(db, nullptr);
    PhImage_t* play = ApGetImageRes(db, "playBut");
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->size.w, 16);
    EXPECT_EQ(ApGetImageRes(db, "noSuchImage"), nullptr);
    PtSetResource(Find("PlayButton"), Pt_ARG_LABEL_IMAGE, play, 0);
    PtSetResource(Find("PlayButton"), Pt_ARG_LABEL_TYPE, Pt_IMAGE, 0);
    ApCloseDBase(db);

    // The same module as a pane inside a group of the window.
    PtWidget_t* group = PtCreateWidget(PtGroup, Find("BaseGroup"), 0, nullptr);
    PtRealizeWidget(group);
    PtWidget_t* pane = ApCreateModule(&icons, group, nullptr);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(PtWidgetParent(pane), group);
    RunUntilIdle();
    PtWidget_t* stop = ApGetWidgetPtr(pane, "stopBut");
    ASSERT_NE(stop, nullptr);
    EXPECT_TRUE(PtWidgetIsRealized(stop));
    PhImage_t* shown = nullptr;
    PtGetResource(stop, Pt_ARG_LABEL_IMAGE, &shown, 0);  // the picture the UI file gave it
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->size.w, 10);
    EXPECT_EQ(PtWidgetInsert(group, Find("ControlGroup"), 1), 0);
    PtDestroyWidget(group);
    RunUntilIdle();
    EXPECT_EQ(Find("stopBut"), nullptr);
}

TEST_F(PhotonTest, SyntheticEventsWorkButtonsAsHeldKeysDo)
{
    OpenTestWindow();
    PtWidget_t* ff = Find("fastForwardButton");
    PtAddCallback(ff, Pt_CB_ARM, cbRecord, nullptr);
    PtAddCallback(ff, Pt_CB_DISARM, cbRecord, nullptr);
    PhEvent_t press{}, repeat{}, release{};
    press.type = Ph_EV_BUT_PRESS;
    repeat.type = Ph_EV_BUT_REPEAT;
    release.type = Ph_EV_BUT_RELEASE;
    release.subtype = Ph_EV_RELEASE_REAL;
    PtSendEventToWidget(ff, &press);
    PtSendEventToWidget(ff, &repeat);
    PtSendEventToWidget(ff, &release);
    EXPECT_EQ(Reasons(),
              "fastForwardButton:arm fastForwardButton:repeat fastForwardButton:disarm "
              "fastForwardButton:activate");
    Log().clear();
    PtWidget_t* mute = Find("muteButton");
    PtSendEventToWidget(mute, &press);
    PtSendEventToWidget(mute, &release);
    EXPECT_TRUE(Flags(mute) & Pt_SET);
    EXPECT_EQ(Reasons(), "muteButton:activate");
    Log().clear();
    PtSetResource(ff, Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED);
    PtSendEventToWidget(ff, &press);
    PtSendEventToWidget(ff, &release);
    EXPECT_EQ(Reasons(), "");
}

int moves;
PhPoint_t moved_to;
int OnWindowEvent(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* we = static_cast<PhWindowEvent_t*>(info->cbdata);
    if (we->event_f == Ph_WM_MOVE) {
        ++moves;
        moved_to = we->pos;
    }
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, WindowMovesAreReportedAndForwardedEventsMoveWindows)
{
    OpenTestWindow();
    moves = 0;
    PtAddCallback(window, Pt_CB_WINDOW, OnWindowEvent, nullptr);
    PhWindowEvent_t we{Ph_WM_MOVE, 0, window, {40, 30}, {0, 0}};
    EXPECT_EQ(PtForwardWindowEvent(&we), 0);
    for (int i = 0; i < 50 && !moves; ++i) {
        usleep(2000);
        RunUntilIdle();
    }
    EXPECT_GE(moves, 1);
    EXPECT_EQ(moved_to.x, 40);
    EXPECT_EQ(moved_to.y, 30);
    PhWindowEvent_t front{Ph_WM_FFRONT, 0, window, {0, 0}, {0, 0}};
    EXPECT_EQ(PtForwardWindowEvent(&front), 0);
    PhRect_t screen{};
    EXPECT_EQ(PhWindowQueryVisible(0x100, 0, PhInputGroup(nullptr), &screen), 0);
    EXPECT_EQ(screen.lr.x - screen.ul.x + 1, 1024);
}

}  // namespace
}  // namespace photon::testing

namespace photon::testing {
namespace {

using namespace photon::test;

TEST_F(PhotonTest, WidgetDatabasesMakeNamedWidgetsWithTheirCallbacks)
{
    OpenTestWindow();
    static const ApEventLink_t icons{ABM_PICTURE, "icons", nullptr, 0, 0, 0};
    ApDBase_t* db = ApOpenDBase(&icons);
    ASSERT_NE(db, nullptr);
    PtWidget_t* group = PtCreateWidget(PtGroup, Find("BaseGroup"), 0, nullptr);
    PtRealizeWidget(group);

    const PhPoint_t at{20, 4};
    PtWidget_t* first = ApCreateDBWidget(db, "dbButton", group, &at, 0, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(PtWidgetParent(first), group);
    EXPECT_EQ(PtWidgetClass(first), PtButton);
    RunUntilIdle();
    EXPECT_FALSE(PtWidgetIsRealized(first));  // the program realises it
    PtRealizeWidget(first);
    Click(first);
    EXPECT_EQ(Reasons(), "dbButton:activate");
    PhPoint_t* pos = nullptr;
    PtGetResource(first, Pt_ARG_POS, &pos, 0);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(pos->x, 20);

    // A second one is a widget of its own, with children of its own; arguments apply to it.
    Log().clear();
    PtArg_t args[1];
    PtSetArg(&args[0], Pt_ARG_FLAGS, Pt_BLOCKED, Pt_BLOCKED);
    PtWidget_t* second = ApCreateDBWidget(db, "dbButton", group, nullptr, 1, args);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(second, first);
    PtWidget_t* label = ApGetWidgetPtr(second, "dbLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_NE(label, ApGetWidgetPtr(first, "dbLabel"));
    EXPECT_EQ(Text(label), "Step");
    PtRealizeWidget(second);
    Click(second);
    EXPECT_EQ(Reasons(), "");
    EXPECT_EQ(ApCreateDBWidget(db, "noSuchWidget", group, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(ApCreateDBWidget(db, "icons", group, nullptr, 0, nullptr), nullptr);  // a window is no widget to place

    // The widgets outlive the database; they go with their parent.
    ApCloseDBase(db);
    Click(first);
    EXPECT_EQ(Reasons(), "dbButton:activate");
    PtDestroyWidget(group);
    RunUntilIdle();
    EXPECT_EQ(Find("dbButton"), nullptr);
    EXPECT_EQ(Find("dbLabel"), nullptr);
}

std::vector<unsigned> info_seen;
int OnInfo(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    EXPECT_EQ(info->reason, Pt_CB_RAW);
    EXPECT_EQ(info->event->type, Ph_EV_INFO);
    info_seen.push_back(info->event->subtype);
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, DisplayChangesReachOpenWindowsAsInformationEvents)
{
    OpenTestWindow();
    info_seen.clear();
    PtAddEventHandler(window, Ph_EV_INFO, OnInfo, nullptr);
    PtWidget_t* hidden = PtCreateWidget(PtWindow, nullptr, 0, nullptr);
    PtAddEventHandler(hidden, Ph_EV_INFO, OnInfo, nullptr);
    DisplayChanged();
    EXPECT_EQ(info_seen, std::vector<unsigned>{Ph_OFFSCREEN_INVALID});  // the window not shown gets none
    PtRemoveEventHandler(window, Ph_EV_INFO, OnInfo, nullptr);
    DisplayChanged();
    EXPECT_EQ(info_seen.size(), 1u);
    PtDestroyWidget(hidden);
}

TEST_F(PhotonTest, PanelGroupShowsOnePageAndTheUserSwitchesByItsTab)
{
    static const ApEventLink_t link{ABM_DIALOG, "panels", nullptr, ABM_PLACE_DEFAULT, 0, 0};
    window = ApCreateModule(&link, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    RunUntilIdle();
    PtWidget_t* group = Find("PanelGroup");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(PtWidgetClass(group), PtPanelGroup);
    int* current = nullptr;
    ASSERT_EQ(PtGetResource(group, Pt_ARG_PG_CURRENT_INDEX, &current, 0), 0);
    EXPECT_EQ(*current, 0);

    // A control on a page not shown cannot be reached until its tab is chosen.
    Click(Find("SecondToggle"));
    EXPECT_EQ(Reasons(), "");
    EXPECT_FALSE(PtWidgetIsRealized(Find("SecondToggle")));
    SelectPanel(group, "No such page");
    PtGetResource(group, Pt_ARG_PG_CURRENT_INDEX, &current, 0);
    EXPECT_EQ(*current, 0);
    SelectPanel(group, "Two");
    PtGetResource(group, Pt_ARG_PG_CURRENT_INDEX, &current, 0);
    EXPECT_EQ(*current, 1);
    Click(Find("SecondToggle"));
    EXPECT_EQ(Reasons(), "SecondToggle:activate");
    EXPECT_TRUE(Flags(Find("SecondToggle")) & Pt_SET);

    // The program turns the pages as well; a blocked group takes no taps.
    Log().clear();
    PtSetResource(group, Pt_ARG_PG_CURRENT_INDEX, 0, 0);
    RunUntilIdle();
    Click(Find("FirstButton"));
    EXPECT_EQ(Reasons(), "FirstButton:activate");
    PtSetResource(group, Pt_ARG_FLAGS, Pt_TRUE, Pt_BLOCKED);
    SelectPanel(group, "Two");
    PtGetResource(group, Pt_ARG_PG_CURRENT_INDEX, &current, 0);
    EXPECT_EQ(*current, 0);
}

}  // namespace
}  // namespace photon::testing
