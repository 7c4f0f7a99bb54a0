#include "windows/TextStream.h"

#include <gtest/gtest.h>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"
#include "windows/FileSystemObject.h"

namespace windows {
namespace {

using testing::errorNumber;
using testing::TempAppFolder;

TEST(TextStream, ReadLineEndsLinesAtCrLfAndLf) {
    TempAppFolder app;
    app.write("Friends.txt", "first\r\nsecond\nthird\r\n\r\nlast \r");
    auto in = FileSystemObject().OpenTextFile("\\friends.txt");
    std::vector<std::string> lines;
    while (!in->AtEndOfStream()) lines.push_back(in->ReadLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "third", "", "last \r"}));
    EXPECT_EQ(errorNumber([&] { in->ReadLine(); }), 62);
    EXPECT_EQ(errorNumber([&] { in->ReadAll(); }), 62);
}

TEST(TextStream, ReadAllTakesWhatIsLeftByteForByte) {
    TempAppFolder app;
    std::string bytes("head\r\nbody\0\xff\r\n", 14);
    app.write("page.txt", bytes);
    auto in = FileSystemObject().OpenTextFile("page.txt", ForReading);
    EXPECT_EQ(in->ReadLine(), "head");
    EXPECT_EQ(in->ReadAll(), bytes.substr(6));
    EXPECT_TRUE(in->AtEndOfStream());

    app.write("empty.txt", "");
    auto empty = FileSystemObject().OpenTextFile("empty.txt");
    EXPECT_TRUE(empty->AtEndOfStream());
    EXPECT_EQ(errorNumber([&] { empty->ReadAll(); }), 62);
}

TEST(TextStream, WritingAndAppendingEndLinesWithCrLf) {
    TempAppFolder app;
    FileSystemObject fso;
    auto out = fso.CreateTextFile("log.txt");
    out->WriteLine("one");
    out->Write("tw");
    out->Write("o");
    out->WriteLine();
    out->Close();
    auto more = fso.OpenTextFile("LOG.TXT", ForAppending);
    more->WriteLine("three");
    more.reset();  // releasing closes
    EXPECT_EQ(app.read("log.txt"), "one\r\ntwo\r\nthree\r\n");

    auto again = fso.OpenTextFile("log.txt", ForWriting);
    again->Write("new");
    again->Close();
    EXPECT_EQ(app.read("log.txt"), "new");
}

TEST(TextStream, WrongDirectionAndClosedStreamsRaise) {
    TempAppFolder app;
    app.write("a.txt", "text");
    FileSystemObject fso;
    auto in = fso.OpenTextFile("a.txt");
    EXPECT_EQ(errorNumber([&] { in->Write("x"); }), 54);
    auto out = fso.OpenTextFile("a.txt", ForAppending);
    EXPECT_EQ(errorNumber([&] { out->ReadLine(); }), 54);
    EXPECT_EQ(errorNumber([&] { out->AtEndOfStream(); }), 54);
    in->Close();
    in->Close();
    EXPECT_EQ(errorNumber([&] { in->ReadLine(); }), 52);
}

}  // namespace
}  // namespace windows
