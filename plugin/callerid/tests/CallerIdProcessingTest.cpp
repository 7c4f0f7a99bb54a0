// Caller-ID processing on the recording host: the number formatter, the phone books (the
// host phone's address book and "Friends.txt"), the lookup text, the caller-ID device and
// its ten-second "on", the log line, and the host phone's caller.

#include "callerid/CallerIdProcessing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "callerid/CallerIdPart.h"
#include "callerid/EchoWindow.h"
#include "callerid/FormatPhoneNumber.h"
#include "callerid/MessageCIDEvent.h"
#include "callerid/Phonebook.h"
#include "core/QueueTimer.h"
#include "core/StatusText.h"
#include "core/tests/PluginTestBed.h"
#include "homeseer/Phone.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using testing::PluginTestBed;

homeseer::Contact Contact(const std::string& first, const std::string& last, const std::string& home,
                          const std::string& cell = "", const std::string& work = "", const std::string& wav = "") {
    return homeseer::Contact{first, last, home, cell, work, wav};
}

class CallerIdProcessingTest : public ::testing::Test {
protected:
    CallerIdProcessingTest() { bed.state.settings.CIDDeviceCode = "[91"; }

    // A host phone with the given address book; line 1's last call from `number` / `name`.
    std::shared_ptr<homeseer::Phone> Phone(std::vector<homeseer::Contact> contacts) {
        auto p = std::make_shared<homeseer::Phone>(std::move(contacts), [](int32_t) {});
        bed.host->setPhone(p);
        bed.state.settings.useHSPPhoneBook = true;
        bed.state.settings.CIDLineNumber = 1;
        return p;
    }
    std::string Lookup(const std::string& number, const std::string& name = "") {
        return HSPAddressBookLookup(bed.state, number, name);
    }
    void Caller(const std::string& name, const std::string& number) {
        bed.state.modem.CallerName = name;
        bed.state.modem.CallerNumber = number;
        bed.state.modem.NameDetected = true;
        bed.state.modem.NumberDetected = true;
        bed.host->ClearCalls();
        ProcessModemInput(bed.state);
    }

    PluginTestBed bed;
};

TEST(FormatPhoneNumber, GoesByLengthAlone) {
    EXPECT_EQ(FormatPhoneNumber("5551234567"), "(555) 123-4567");
    EXPECT_EQ(FormatPhoneNumber("15551234567"), "1555 123 4567");
    EXPECT_EQ(FormatPhoneNumber("5551234"), "555-1234");
    EXPECT_EQ(FormatPhoneNumber("*551234567"), "*551234567");
    EXPECT_EQ(FormatPhoneNumber("555123456789"), "555123456789");
    EXPECT_EQ(FormatPhoneNumber("PRIVATE"), "PRI-VATE");
    EXPECT_EQ(FormatPhoneNumber(""), "");
    EXPECT_EQ(FormatPhoneNumber("O"), "O");
}

TEST_F(CallerIdProcessingTest, TheAddressBookJoinsSharedNumbersAndLabelsTheirPlaces) {
    Phone({Contact("Ann", "Lee", "555-123-4567", "(555) 765-4321"), Contact("Bob", "Lee", "5551234567"),
           Contact("Carl", "Moss", "555 123 4567"), Contact("Dan & Eve", "Ray", "", "", "5550001111", "C:\\dan.wav")});
    BuildPhonebook(bed.state);
    const PhonebookIndex& index = bed.state.Part<CallerIdPart>().phonebookIndex;
    ASSERT_EQ(index.size(), 3u);
    const Phonebook& shared = index.at("5551234567");
    EXPECT_EQ(shared.FirstName, "Ann or Bob");
    EXPECT_EQ(shared.Name(), "Ann or Bob Lee or Carl Moss");
    EXPECT_EQ(shared.Location, "home");
    EXPECT_EQ(shared.PhoneNumber, "555-123-4567");
    EXPECT_EQ(shared.Key(), "5551234567");
    EXPECT_EQ(index.at("5557654321").Location, "cell");

    EXPECT_EQ(Lookup("5551234567", "X"), "(555) 123-4567 : Ann or Bob Lee or Carl Moss from home");
    EXPECT_EQ(Lookup("(555) 765-4321"), "(555) 765-4321 : Ann Lee from cell");
    EXPECT_EQ(Lookup("5550001111"), "(555) 000-1111 : Dan and Eve Ray from work");
    EXPECT_EQ(bed.state.modem.CallerWav, "C:\\dan.wav");
    EXPECT_EQ(Lookup("5559999999", "O"), "(555) 999-9999 : Unknown");
    EXPECT_EQ(bed.state.modem.CallerWav, "");
    EXPECT_EQ(Lookup("5559999999", ""), "(555) 999-9999 : Unknown");
    EXPECT_EQ(Lookup("5559999999", "o"), "(555) 999-9999 : o");
    EXPECT_EQ(Lookup("5559999999", "JOHN"), "(555) 999-9999 : JOHN");

    // Without the places, the lookup shows the bare name.
    bed.state.settings.ExcludeHSPLocation = true;
    BuildPhonebook(bed.state);
    EXPECT_EQ(Lookup("5557654321"), "(555) 765-4321 : Ann Lee");
}

TEST_F(CallerIdProcessingTest, FriendsTxtAddsNumbersTheAddressBookLacks) {
    Phone({Contact("Ann", "Lee", "5551234567")});
    bed.app.write("Friends/Friends.txt",
                  "; comment\t5550000000\tNobody\r\n"
                  "555-123-4567\tNot Ann\r\n"
                  "555-222-3333\t  Gran & Pa \t\tgran.wav\textra\r\n"
                  "5554445555\tUncle\tD:\\sounds\\uncle.wav\r\n"
                  "5556667777\tAunt\t\\\\server\\aunt.wav\r\n"
                  "5558889999 no tab\r\n"
                  "5551112222\t \t\r\n"
                  "\tNo Number\r\n" +
                      std::string(5000, 'x') +
                      "\tLong\r\n"
                      "5553334444\tLast\n");
    bed.state.settings.useFriends = true;
    bed.state.settings.FriendsLocation = "C:\\Friends\\";
    BuildPhonebook(bed.state);
    bed.state.settings.DebugLog = true;
    const PhonebookIndex& index = bed.state.Part<CallerIdPart>().phonebookIndex;
    Strings keys;
    for (const auto& [key, entry] : index) keys.push_back(key);
    EXPECT_EQ(keys, (Strings{"5551234567", "5552223333", "5553334444", "5554445555", "5556667777"}));
    EXPECT_EQ(index.at("5551234567").Name(), "Ann Lee");
    EXPECT_EQ(index.at("5552223333").Wav, "C:\\Friends\\gran.wav");
    EXPECT_EQ(index.at("5552223333").PhoneNumber, "555-222-3333");
    EXPECT_EQ(index.at("5554445555").Wav, "D:\\sounds\\uncle.wav");
    EXPECT_EQ(index.at("5556667777").Wav, "\\\\server\\aunt.wav");
    EXPECT_EQ(bed.Log(),
              (Strings{"dkvZephra|BuildFriendsPhonebook skipped a line longer than 4096 characters: line 9"}));

    bed.host->ClearCalls();
    EXPECT_EQ(Lookup("555-222-3333", "X"), "555-222-3333 : Gran and Pa");
    EXPECT_EQ(bed.state.modem.CallerWav, "C:\\Friends\\gran.wav");
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra Debug|Phonebook Entry Exists=True, Number=5552223333, Default Name=X, "
                                  "Lookup=555-222-3333 : Gran and Pa"}));

    // Without the switch the book is empty and nothing is logged; without the file the log names
    // the path that was tried, once however often the book is built.
    bed.host->ClearCalls();
    bed.state.settings.useHSPPhoneBook = false;
    bed.state.settings.useFriends = false;
    BuildPhonebook(bed.state);
    EXPECT_TRUE(bed.state.Part<CallerIdPart>().phonebookIndex.empty());
    EXPECT_TRUE(bed.Log().empty());
    bed.state.settings.useFriends = true;
    bed.state.settings.FriendsLocation = "C:\\Nowhere\\";
    BuildPhonebook(bed.state);
    BuildPhonebook(bed.state);
    EXPECT_TRUE(bed.state.Part<CallerIdPart>().phonebookIndex.empty());
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|BuildFriendsPhonebook found no friends file at " +
                                  (bed.app.path() / "Nowhere" / "Friends.txt").string()}));
}

TEST_F(CallerIdProcessingTest, AFriendsFolderTypedAsALinuxPathIsReadWhereItIs) {
    // A folder outside the application folder, named as a Linux user types it.
    const std::filesystem::path outside = bed.app.path().string() + "-friends";
    std::filesystem::create_directories(outside);
    { std::ofstream(outside / "Friends.txt", std::ios::binary) << "5551234567\tAnn\tann.wav\r\n"; }
    bed.state.settings.useFriends = true;
    bed.state.settings.useHSPPhoneBook = false;
    bed.state.settings.FriendsLocation = outside.string() + "\\";
    BuildPhonebook(bed.state);
    const PhonebookIndex& index = bed.state.Part<CallerIdPart>().phonebookIndex;
    ASSERT_EQ(index.size(), 1u) << ::testing::PrintToString(bed.Log());
    EXPECT_EQ(index.at("5551234567").Name(), "Ann");
    EXPECT_TRUE(bed.Log().empty());
    // A Linux path that does not exist is named as it was tried, not under the application folder.
    bed.state.settings.FriendsLocation = outside.string() + "/none\\";
    BuildPhonebook(bed.state);
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|BuildFriendsPhonebook found no friends file at " +
                                  (outside / "none" / "Friends.txt").string()}));
    std::filesystem::remove_all(outside);
}

TEST_F(CallerIdProcessingTest, ACallerIsShownOnTheDeviceForTenSecondsAndLogged) {
    bed.state.settings.GenerateCIDEvent = true;
    bed.state.settings.LogCID = true;
    bed.state.settings.DebugLog = true;
    Phone({Contact("Ann", "Lee", "5551234567")});
    BuildPhonebook(bed.state);
    bed.state.QueueTimerForm().Timer5.Interval(500);
    Caller("ANN LEE", "(555) 123-4567");

    const std::string text = "(555) 123-4567 : Ann Lee from home";
    EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[91|" + FormatValue(bed.state, 0, text)}));
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), (Strings{"[91|2"}));
    EXPECT_EQ(bed.Calls("SetDeviceLastChange").size(), 1u);
    EXPECT_EQ(bed.Log(),
              (Strings{"dkvZephra Debug|ProcessModemInput NumberDetected=True, NameDetected=True, Name=ANN LEE, "
                       "Number=(555) 123-4567",
                       "dkvZephra Debug|Phonebook Entry Exists=True, Number=5551234567, Default Name=ANN LEE, "
                       "Lookup=(555) 123-4567 : Ann Lee from home",
                       "dkvZephra|" + text}));
    EXPECT_NE(bed.state.Part<CallerIdPart>().echoWindow->CommData.find(" ... CID Detected ... "), std::string::npos);
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer5.Enabled());
    const ModemState& m = bed.state.modem;
    EXPECT_EQ(m.CallerName + m.CallerNumber, "");
    EXPECT_FALSE(m.NameDetected || m.NumberDetected);

    // The device goes back off after ten seconds, not before.
    bed.host->ClearCalls();
    bed.loop.advance(9999ms);
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), Strings{});
    bed.loop.advance(1ms);
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), (Strings{"[91|3"}));
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer4.Enabled());
}

TEST_F(CallerIdProcessingTest, PrivateCallersAreUnknownAndEverySwitchOffLeavesOnlyTheDevice) {
    for (const char* name : {"O", "P", "withheld", "Out of area", "OUT", ""}) {
        Caller(name, "5559876");
        EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[91|" + FormatValue(bed.state, 0, "555-9876 : Unknown")}))
            << name;
        EXPECT_EQ(bed.Calls("SetDeviceStatus"), Strings{});
        EXPECT_EQ(bed.Calls("SetDeviceLastChange").size(), 1u);
        EXPECT_TRUE(bed.Log().empty());
    }
    Caller("OTTO", "*551234567");
    EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[91|" + FormatValue(bed.state, 0, "*551234567 : OTTO")}));
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer4.Enabled());
}

TEST_F(CallerIdProcessingTest, AFailingStepIsLoggedAndTheRestStillRuns) {
    bed.state.settings.LogCID = true;
    bed.host->FailNext("SetDeviceString", vb::Error(5, "Invalid procedure call or argument"));
    Caller("JOHN", "5551234");
    EXPECT_EQ(bed.Calls("SetDeviceLastChange").size(), 1u);
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|ProcessModemInput  Line 0 Invalid procedure call or argument",
                                  "dkvZephra|555-1234 : JOHN"}));
    EXPECT_FALSE(bed.state.modem.NameDetected);
}

TEST_F(CallerIdProcessingTest, TheHostPhonesCallerIsLookedUp) {
    // No host phone: the stand-in caller.
    EXPECT_EQ(MessageCIDEvent(bed.state, false, ""), "(123) 456-7890 : HSP Not Available");

    auto p = Phone({Contact("Ann", "Lee", "5551234567")});
    BuildPhonebook(bed.state);
    p->IncomingCall(1, "5551234567", "LEE ANN");
    EXPECT_EQ(MessageCIDEvent(bed.state, false, ""), "(555) 123-4567 : Ann Lee from home");
    p->IncomingCall(1, "5550000000", "");
    EXPECT_EQ(MessageCIDEvent(bed.state, false, ""), "(555) 000-0000 : Unknown");
    p->IncomingCall(2, "5551112222", "TWO");
    bed.state.settings.CIDLineNumber = 2;
    EXPECT_EQ(MessageCIDEvent(bed.state, false, ""), "(555) 111-2222 : TWO");
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
