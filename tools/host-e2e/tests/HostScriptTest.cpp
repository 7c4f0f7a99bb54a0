// A VBScript host script with classes, a Scripting.Dictionary and error handling, run by
// zephra-host with the plug-in: its calls reach the stand-in appliances, and the plug-in's
// errors reach the script as the script's Err.

#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

const char* const kRoomsScript = R"(' Rooms of the house, each with its appliance's settings.
Option Explicit

Class Room
    Public Name, Volume, Led
    Public Function Apply(plugin)
        Apply = plugin.ZephraVolume(Name, Volume)
        plugin.ZephraLED Name, Led
    End Function
End Class

Function NewRoom(name, volume, led)
    Set NewRoom = New Room
    NewRoom.Name = name
    NewRoom.Volume = volume
    NewRoom.Led = led
End Function

Sub Note(text)
    hs.WriteLog "rooms", text
End Sub

Dim zephra, rooms, tokens, key
Set zephra = hs.Plugin("dkvZephra")
Set rooms = CreateObject("Scripting.Dictionary")
rooms.Add "kitchen", NewRoom("kitchen", 20, "top on")
rooms.Add "hall", NewRoom("hall", 80, "mail blink")
Set tokens = CreateObject("Scripting.Dictionary")
For Each key In rooms.Keys
    tokens(key) = rooms(key).Apply(zephra)
Next
Note "rooms " & rooms.Count & ", tokens " & Join(tokens.Keys, "+") & ", differ " & (tokens("kitchen") <> tokens("hall"))

' The plug-in's errors reach the script; the commands before them are kept.
On Error Resume Next
zephra.ZephraVolumeEx "kitchen;40000"
Note "overflow " & Err.Number & " " & Err.Description
Err.Clear
zephra.ZephraSetBrowserScreenEx "hall;maybe"
Note "mismatch " & Err.Number
Err.Clear
zephra.ZephraNoSuchOperation "hall"
Note "missing " & Err.Number
Err.Clear
rooms.Add "kitchen", Nothing
Note "duplicate " & Err.Number
On Error Goto 0

If zephra.ZephraIP("Kitchen ") = "127.0.0.2" And zephra.ZephraIPLookup("127.0.0.3") = "hall" Then
    zephra.ZephraSoundsEx "kitchen;3"
    zephra.ZephraText "hall", "Welcome home"
End If
Note "kitchen volume " & zephra.ZephraVolumeStatus("kitchen") & ", hall mail LED " & zephra.ZephraMailLEDStatus("hall")

' The hall's browser fetches its page from the host on its own, after it has answered: the host
' serves on until the test has seen the page loaded, so that ending idle cannot cut the fetch short.
Dim files
Set files = CreateObject("Scripting.FileSystemObject")
Do While Not files.FileExists("\Data\hall-page-loaded")
    hs.WaitSecs 0.05
Loop
)";

TEST(HostScript, ClassesDictionariesAndErrorHandlingDriveTheAppliances) {
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-script-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        std::filesystem::path script = folder.write("Scripts/rooms.vbs", kRoomsScript);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--run", script.string(), "--exit-when-idle"}));
        const std::string web = "http://127.0.0.1:" + std::to_string(folder.webPort());
        EXPECT_TRUE(appliances.waitFor("hall", "browse \"" + web));
        folder.write("Data/hall-page-loaded", "");
        EXPECT_EQ(host.waitExit(kWait), 0);

        // Ending idle means every queue was empty: all the commands have been answered.
        EXPECT_EQ(appliances.lines("kitchen"), (Lines{"/volume.shtml?20 ok volume=20", "/led.shtml?t1 ok topled=on",
                                                      "/beep.shtml?0%203 ok sound=3"}));
        // The appliance's browser loads the page on its own, so its "browse" line may come before or after the
        // next command: the commands are checked in order, the page load by itself.
        Lines hall = appliances.lines("hall");
        const std::string browse = "browse \"" + web + "/ZephraTemp/ZephraTempFilehall1.html\" ok status=200 bytes=549";
        const auto loaded = std::find(hall.begin(), hall.end(), browse);
        EXPECT_NE(loaded, hall.end());
        if (loaded != hall.end()) hall.erase(loaded);
        EXPECT_EQ(hall, (Lines{"/volume.shtml?80 ok volume=80", "/led.shtml?m2 ok mailled=blink",
                               "/screen.shtml?1 ok awake=1",
                               "/gotoURL.shtml?M=GOTO_URL&S=" + web + "/ZephraTemp/ZephraTempFilehall1.html ok url=\"" +
                                   web + "/ZephraTemp/ZephraTempFilehall1.html\"",
                               "/screen.shtml?1 ok awake=1"}));
        EXPECT_TRUE(holds(folder.read("HTML/ZephraTemp/ZephraTempFilehall1.html"), "<B>Welcome home</B>"));

        std::string log = folder.log();
        EXPECT_TRUE(holds(log, "| rooms | rooms 2, tokens kitchen+hall, differ True\n")) << log;
        EXPECT_TRUE(holds(log, "| rooms | overflow 6 Overflow\n"));
        EXPECT_TRUE(holds(log, "| rooms | mismatch 13\n"));
        EXPECT_TRUE(holds(log, "| rooms | missing 438\n"));
        EXPECT_TRUE(holds(log, "| rooms | duplicate 457\n"));
        EXPECT_TRUE(holds(log, "| rooms | kitchen volume 20, hall mail LED blink\n"));
        EXPECT_FALSE(holds(log, "rooms.vbs line"));  // no error stopped the script
        EXPECT_TRUE(holds(log, "| zephra-host | Stopped"));
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
