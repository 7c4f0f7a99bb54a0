// A received xAP message in zephra-host: a host script makes the message as a VBScript class
// and hands it to the plug-in as the host delivers received messages; the message is one of
// interest whose entry runs the user script, and the script's Main writes what it was given.

#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

const char* const kDeliverScript = R"(' A sensor's report as the xAP host application delivers it.
Class XapMessage
    Private blocks, lines
    Public Sub Init()
        blocks = Array("input.state")
        lines = Array(Array("State=on", "Text=Warm", "no pair here"))
    End Sub
    Public Property Get MsgSource()
        MsgSource = "acme.sensor.kitchen"
    End Property
    Public Property Get MsgClass()
        MsgClass = "Temp.Report"
    End Property
    Public Property Get MsgTarget()
        MsgTarget = ""
    End Property
    Public Property Get MsgSection()
        MsgSection = blocks
    End Property
    Public Property Get msgCollection(i)
        msgCollection = lines(i)
    End Property
    Public Function CompareClass(c)
        CompareClass = (LCase(c) = "temp.report")
    End Function
    Public Function CompareTarget(address)
        CompareTarget = False
    End Function
    Public Function GetItem(block, key)
        GetItem = "Unknown"
    End Function
End Class

Dim message
Set message = New XapMessage
message.Init
hs.Plugin("dkvZephra").ZephraOnXapMessage message
hs.WriteLog "deliver", "delivered"
)";

const char* const kUserScript =
    "Sub Main(text)\r\n"
    "    Dim fso, f\r\n"
    "    Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
    "    Set f = fso.OpenTextFile(\"\\Data\\xap-main.txt\", 8, True)\r\n"
    "    f.WriteLine \"Main \" & text\r\n"
    "    f.Close\r\n"
    "End Sub\r\n";

TEST(XapMessage, AMessageOfInterestFromAHostScriptRunsTheUserScriptsMain) {
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xap-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"},
                          {"[Received]", "acme.sensor.kitchen~Temp.Report=Kitchen;1", "[Devices]",
                           "Kitchen=1/1/2000;input.state.state"});
        folder.write("Scripts/dkvZephra.txt", kUserScript);
        std::filesystem::path script = folder.write("Scripts/deliver.vbs", kDeliverScript);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--run", script.string()}));
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        auto written = [&] {
            return std::filesystem::exists(folder.path() / "Data/xap-main.txt") &&
                   holds(folder.read("Data/xap-main.txt"), "\r\n");
        };
        while (!written() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(folder.read("Data/xap-main.txt"), "Main Kitchen\r\n") << folder.log();
        EXPECT_TRUE(holds(folder.log(), "delivered")) << folder.log();
        EXPECT_FALSE(holds(folder.log(), "OnXapMessage")) << folder.log();
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
