// What the host reads and writes in its folders: the device file and the contacts file.

#include <gtest/gtest.h>

#include "homeseer/Contacts.h"
#include "homeseer/DeviceFile.h"
#include "homeseer/DeviceStore.h"
#include "homeseer/EventFile.h"
#include "homeseer/EventStore.h"
#include "homeseer/X10Status.h"
#include "windows/testing/TempAppFolder.h"

namespace homeseer {
namespace {

using windows::testing::TempAppFolder;

TEST(DeviceFile, DevicesReadBackByteForByteWithTheirReferences) {
    TempAppFolder app;
    const std::string buttons =
        "dkvZephra\x02Turn Backlight Off @ kitchen Zephra\x01"
        "dkvZephra\x02Turn Backlight On @ kitchen Zephra";
    const std::string text = "<table>\r\nline two\\ \x7f</table>";
    {
        DeviceStore store;
        store.add("gone", "[1");
        auto dv = store.add("Zephra Backlight", "[3");
        dv->setMisc(0x8030);
        dv->setInterfaceName("dkvZephra");
        dv->setLocation("kitchen");
        dv->setDevTypeString("Zephra");
        dv->setIotype(4);
        dv->setButtons(buttons);
        dv->setValues(
            "Off\x02"
            "0");
        *store.stateOf("[3") = {text, kStatusOn, -1, vb::Date{46000.75}};
        store.remove(1001);
        SaveDevices(store, app.path() / "devices.ini");
    }
    DeviceStore again;
    EXPECT_TRUE(LoadDevices(again, app.path() / "devices.ini").empty());
    ASSERT_EQ(again.count(), 1u);
    auto dv = again.byCode("[3");
    ASSERT_TRUE(dv);
    EXPECT_EQ(dv->ref(), 1002);
    EXPECT_EQ(dv->Name(), "Zephra Backlight");
    EXPECT_EQ(dv->misc(), 0x8030);
    EXPECT_EQ(dv->Location(), "kitchen");
    EXPECT_EQ(dv->iotype(), 4);
    EXPECT_EQ(dv->buttons(), buttons);
    EXPECT_EQ(dv->Values(),
              "Off\x02"
              "0");
    DeviceStore::State* state = again.stateOf("[3");
    EXPECT_EQ(state->text, text);
    EXPECT_EQ(state->status, kStatusOn);
    EXPECT_EQ(state->value, -1);
    EXPECT_EQ(state->lastChange, vb::Date{46000.75});
    // A new device after a reload takes the next unused reference.
    EXPECT_EQ(again.add("next", "[4")->ref(), 1003);
}

TEST(DeviceFile, X10StatesReadBackWithTheirChangeTimesAndOnlyKnownOnesAreKept) {
    TempAppFolder app;
    {
        DeviceStore store;
        X10Status x10;
        x10.set({'C', 5}, kStatusOff, vb::Date{46000.5});
        x10.set({'P', 16}, kStatusOn, vb::Date{46001.25});
        x10.set({'A', 1}, kStatusDim, vb::Date{46002.0});
        SaveDevices(store, app.path() / "devices.ini", &x10);
    }
    EXPECT_NE(app.read("devices.ini").find("[X10]\r\nA1=4,46002.0000000000\r\nC5=3,46000.5000000000\r\n"),
              std::string::npos);
    DeviceStore store;
    X10Status again;
    EXPECT_TRUE(LoadDevices(store, app.path() / "devices.ini", &again).empty());
    EXPECT_EQ(again.status({'C', 5}), kStatusOff);
    EXPECT_EQ(again.lastChange({'C', 5}), vb::Date{46000.5});
    EXPECT_EQ(again.status({'P', 16}), kStatusOn);
    EXPECT_EQ(again.status({'A', 1}), kStatusDim);
    EXPECT_EQ(again.status({'B', 2}), kStatusUnknown);
    EXPECT_EQ(again.known().size(), 3u);

    // Damaged lines are named and skipped; a file without the section leaves every code unknown.
    app.write("bad.ini", "[X10]\r\nC5=3\r\nQ1=2,46000\r\nA2=17,46000\r\nA3=2,x\r\nA4=2,46000\r\n");
    X10Status damaged;
    EXPECT_EQ(LoadDevices(store, app.path() / "bad.ini", &damaged),
              (std::vector<std::string>{"X10 state C5 could not be read back", "X10 state Q1 could not be read back",
                                        "X10 state A2 could not be read back", "X10 state A3 could not be read back"}));
    EXPECT_EQ(damaged.status({'A', 4}), kStatusOn);
    EXPECT_EQ(damaged.status({'C', 5}), kStatusUnknown);
}

// A file with 100,000 damaged X10 lines (and damaged devices): the first five of each kind are
// named, the rest counted in one note each, and the good entries still load.
TEST(DeviceFile, AFileFullOfDamagedEntriesNamesTheFirstFiveAndCountsTheRest) {
    TempAppFolder app;
    std::string text = "[Devices]\r\n";
    for (int i = 0; i < 8; ++i) text += "x" + std::to_string(i) + "=\r\n";
    text += "[X10]\r\nA4=2,46000\r\n";
    for (int i = 0; i < 100000; ++i) text += "Z" + std::to_string(i) + "=2,46000\r\n";
    app.write("flood.ini", text);
    DeviceStore store;
    X10Status x10;
    EXPECT_EQ(LoadDevices(store, app.path() / "flood.ini", &x10),
              (std::vector<std::string>{"device x0 could not be read back", "device x1 could not be read back",
                                        "device x2 could not be read back", "device x3 could not be read back",
                                        "device x4 could not be read back", "and 3 more devices could not be read back",
                                        "X10 state Z0 could not be read back", "X10 state Z1 could not be read back",
                                        "X10 state Z2 could not be read back", "X10 state Z3 could not be read back",
                                        "X10 state Z4 could not be read back",
                                        "and 99995 more X10 states could not be read back"}));
    EXPECT_EQ(x10.status({'A', 4}), kStatusOn);
    EXPECT_EQ(x10.known().size(), 1u);
}

TEST(DeviceFile, DamagedEntriesAreSkippedWithANoteAndTheRestLoads) {
    TempAppFolder app;
    app.write(
        "devices.ini",
        "[Devices]\r\n1001=\r\nx=\r\n1002=\r\n1001=\r\n"
        "[Device 1001]\r\nName=good\r\nhc=A\r\ndc=1\r\nmisc=0\r\niotype=0\r\nstatus=17\r\nvalue=0\r\nlastchange=0\r\n"
        "[Device 1002]\r\nName=bad\r\nmisc=lots\r\n");
    DeviceStore store;
    std::vector<std::string> notes = LoadDevices(store, app.path() / "devices.ini");
    EXPECT_EQ(notes, (std::vector<std::string>{"device x could not be read back", "device 1002 could not be read back",
                                               "device 1001 could not be read back"}));  // listed twice
    ASSERT_EQ(store.count(), 1u);
    EXPECT_EQ(store.byIndex(1)->code(), "A1");
    EXPECT_TRUE(LoadDevices(store, app.path() / "missing.ini").empty());
    EXPECT_EQ(UnescapeDeviceText("a\\x4"), "ax4");
    EXPECT_EQ(UnescapeDeviceText(EscapeDeviceText(std::string("\0\x01\\n\r\n", 6))), std::string("\0\x01\\n\r\n", 6));
}

TEST(EventFile, EventsReadBackInOrderByteForByteAndDamagedOnesAreNoted) {
    TempAppFolder app;
    const std::string script = "&hs.Plugin(\"dkvZephra\").ZephraSendHspCID(\"\")\r\n' odd \\ \x01";
    {
        EventStore store;
        store.add("Morning");
        std::shared_ptr<HostEvent> cid = store.byIndex(store.add("dkvZephra CID"));
        cid->setScripts(script);
        cid->setGroup("Phone [main]");
        cid->setEvAbsTime(10);
        cid->setPhoneLine(2);
        cid->setPhoneEvent(kPhoneCallerIdEvent);
        cid->setMisc(0xC000);
        SaveEvents(store, app.path() / "events.ini");
        EXPECT_EQ(EventsText(store), app.read("events.ini"));
    }
    EventStore again;
    EXPECT_TRUE(LoadEvents(again, app.path() / "events.ini").empty());
    ASSERT_EQ(again.count(), 2u);
    EXPECT_EQ(again.byIndex(1)->Name(), "Morning");
    std::shared_ptr<HostEvent> cid = again.byName("DKVZEPHRA CID");
    ASSERT_TRUE(cid);
    EXPECT_EQ(cid->scripts(), script);
    EXPECT_EQ(cid->Group(), "Phone [main]");
    EXPECT_EQ(cid->ev_abs_time(), 10);
    EXPECT_EQ(cid->misc(), 0xC000);
    ASSERT_EQ(again.phoneEvents(2).size(), 1u);
    EXPECT_TRUE(again.phoneEvents(1).empty());

    app.write("bad.ini",
              "[Events]\r\n1=\r\n2=\r\n3=\r\n[Event 1]\r\nName=kept\r\nev_abs_time=0\r\nphone_line=1\r\n"
              "phone_event=4\r\nmisc=0\r\n[Event 2]\r\nName=bad\r\nphone_line=one\r\n");
    EventStore some;
    EXPECT_EQ(LoadEvents(some, app.path() / "bad.ini"),
              (std::vector<std::string>{"event 2 could not be read back", "event 3 could not be read back"}));
    ASSERT_EQ(some.count(), 1u);
    EXPECT_EQ(some.phoneEvents(1).at(0)->Name(), "kept");
    EXPECT_TRUE(LoadEvents(some, app.path() / "missing.ini").empty());
}

TEST(Contacts, TabSeparatedLinesGiveContactsAndBadLinesAreNoted) {
    ContactsReading r = ParseContacts(
        "; address book\r\n"
        "Robin\tTallis\t555-1234\t(555) 777-0000\t\trobin.wav\r\n"
        "  # another comment\n"
        "\n"
        "Ann\t\t\t\t555 4444\n"
        "NoNumber\tAtAll\n"
        "\t\t5551111\n" +
        std::string(kMaxContactLine + 1, 'x') +
        "\n"
        "Last\tLine\t1");
    EXPECT_EQ(r.contacts, (std::vector<Contact>{{"Robin", "Tallis", "555-1234", "(555) 777-0000", "", "robin.wav"},
                                                {"Ann", "", "", "", "555 4444", ""},
                                                {"Last", "Line", "1", "", "", ""}}));
    EXPECT_EQ(r.notes, (std::vector<std::string>{"line 6: no name or no number", "line 7: no name or no number",
                                                 "line 8: too long"}));
}

}  // namespace
}  // namespace homeseer
