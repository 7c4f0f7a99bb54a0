#include "windows/IniDocument.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "windows/CaseFold.h"
#include "windows/testing/ErrorNumber.h"

namespace windows {
namespace {

using testing::errorNumber;

TEST(IniDocument, SectionsAndKeysMatchWithoutRegardToCase) {
    IniDocument ini("[Zephra Utilities]\r\nDebugLog=\"1\"\r\n  ServerPort = 8080\r\n[T2W]\nT2WVoice=Microsoft Mary\n");
    EXPECT_EQ(ini.Get("zephra utilities", "DEBUGLOG"), "\"1\"");
    EXPECT_EQ(ini.Get(" Zephra Utilities ", "serverport"), " 8080");
    EXPECT_EQ(ini.Get("t2w", "t2wvoice"), "Microsoft Mary");
    EXPECT_EQ(ini.Get("T2W", "DebugLog"), std::nullopt);
    EXPECT_EQ(ini.Get("Missing", "DebugLog"), std::nullopt);
}

TEST(IniDocument, ValuesAreKeptByteForByte) {
    IniDocument ini;
    const std::string value = "  \"a=b\",~1x,\xE9t\xC3\xA9\t;not a comment  ";
    ini.Set("Zephra Names", "192.168.0.20/kitchenpc", value);
    IniDocument again(ini.Text());
    EXPECT_EQ(again.Get("ZEPHRA NAMES", "192.168.0.20/KitchenPC"), value);
    ini.Set("Zephra Names", "empty", "");
    EXPECT_EQ(IniDocument(ini.Text()).Get("zephra names", "EMPTY"), "");
}

TEST(IniDocument, DamagedLinesAreSkippedAndKept) {
    std::string damaged = std::string("orphan=before any section\n[Zephra Names]\n\x01\x02garbage=\xff\x00x\n", 55) +
                          "; comment=no\nno equals sign\n=no key\n10.0.0.5=\"Den\"\n\x89PNG\r\n\x1a\n" +
                          "10.0.0.6=Hall\n[\x01"
                          "bad]\nk=v\n";
    IniDocument ini(damaged);
    auto entries = ini.Section("zephra names");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"10.0.0.5", "\"Den\""}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"10.0.0.6", "Hall"}));
    EXPECT_EQ(ini.Get("zephra names", "; comment"), std::nullopt);
    EXPECT_EQ(ini.Get("zephra names", "k"), std::nullopt);  // a damaged header still ends the section
    // A change elsewhere loses none of the damaged lines.
    ini.Set("Zephra Names", "10.0.0.7", "Porch");
    IniDocument again(ini.Text());
    EXPECT_NE(ini.Text().find(std::string("\xff\x00x", 3)), std::string::npos);
    EXPECT_EQ(again.Section("Zephra Names").size(), 3u);
}

TEST(IniDocument, SetReplacesTheFirstEntryOrAddsAtTheEndOfItsSection) {
    IniDocument ini("[A]\r\nKey=1\r\nkey=2\r\n\r\n[B]\r\nx=1\r\n[a]\r\nkey=3\r\n");
    ini.Set("a", "KEY", "9");
    ini.Set("A", "New", "n");
    ini.Set("C", "c", "\"quoted\"");
    EXPECT_EQ(ini.Text(),
              "[A]\r\nKey=9\r\nkey=2\r\nNew=n\r\n\r\n[B]\r\nx=1\r\n[a]\r\nkey=3\r\n[C]\r\nc=\"quoted\"\r\n");
}

TEST(IniDocument, EntriesThatCouldNotBeReadBackAreRefused) {
    IniDocument ini;
    EXPECT_EQ(errorNumber([&] { ini.Set("S", "k", "line\r\nDebugLog=1"); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Set("S", "k", std::string("a\0b", 3)); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Set("S", "a=b", "v"); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Set("S", "", "v"); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Set("", "k", "v"); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Set("S\nX", "k", "v"); }), 5);
    EXPECT_EQ(ini.Text(), "");
}

TEST(IniDocument, ClearingAndRemoving) {
    IniDocument ini("[Received]\r\na=1\r\nb=2\r\n[Devices]\r\nd=1\r\n");
    ini.ClearSection("received");
    EXPECT_TRUE(ini.Section("Received").empty());
    EXPECT_EQ(ini.Text(), "[Received]\r\n[Devices]\r\nd=1\r\n");
    EXPECT_TRUE(ini.RemoveKey("DEVICES", "D"));
    EXPECT_FALSE(ini.RemoveKey("Devices", "d"));
    EXPECT_TRUE(ini.RemoveSection("received"));
    EXPECT_FALSE(ini.RemoveSection("received"));
    EXPECT_EQ(ini.Text(), "[Devices]\r\n");
}

// Sections are found through an index that every change keeps right: entries inserted into an
// earlier section, sections removed and cleared, a damaged header that ends a section.
TEST(IniDocument, ManySectionsAreFoundAfterEveryKindOfChange) {
    std::string text;
    for (int k = 0; k < 2000; ++k) text += "[S" + std::to_string(k) + "]\r\nkey=" + std::to_string(k) + "\r\n";
    IniDocument ini(text);
    EXPECT_EQ(ini.Get("s1999", "KEY"), "1999");
    ini.Set("S5", "more", "x");
    ini.Set("S5", "evenmore", "y");
    EXPECT_EQ(ini.Get("S6", "key"), "6");
    EXPECT_EQ(ini.Get("S1999", "key"), "1999");
    EXPECT_EQ(ini.Get("S5", "evenmore"), "y");
    ini.Set("New", "a", "1");
    ini.Set("S0", "b", "2");
    EXPECT_EQ(ini.Get("new", "a"), "1");
    EXPECT_TRUE(ini.RemoveSection("S3"));
    EXPECT_EQ(ini.Get("S3", "key"), std::nullopt);
    EXPECT_EQ(ini.Get("S4", "key"), "4");
    ini.ClearSection("S4");
    EXPECT_EQ(ini.Get("S4", "key"), std::nullopt);
    EXPECT_TRUE(ini.RemoveKey("S7", "key"));
    ini.Set("S7", "key", "seven");
    EXPECT_EQ(ini.Get("S8", "key"), "8");
    EXPECT_EQ(ini.Get("S7", "key"), "seven");
    // The text round-trips and reads the same.
    IniDocument again(ini.Text());
    for (const char* section : {"S0", "S5", "S7", "S1999", "New"})
        EXPECT_EQ(again.Section(section), ini.Section(section)) << section;
}

std::string_view trimmedOf(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// What a plain reading of the text from the top finds: the first "[name]" header of the name, up
// to the next header of any name, and in it the first clean "key=value" line of the key.
std::optional<std::string> scanned(std::string_view text, std::string_view section, std::string_view key) {
    bool inside = false;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = text.find("\r\n", start);
        const std::string_view line = text.substr(start, end - start);
        const std::string_view t = trimmedOf(line);
        const size_t close = t.rfind(']');
        if (t.size() >= 2 && t.front() == '[' && close != 0 && close != std::string_view::npos) {
            if (inside) return std::nullopt;
            inside = EqualsNoCase(trimmedOf(t.substr(1, close - 1)), trimmedOf(section));
            continue;
        }
        const size_t eq = line.find('=');
        if (!inside || eq == std::string_view::npos || line.find('\x01') != std::string_view::npos) continue;
        const std::string_view name = trimmedOf(line.substr(0, eq));
        if (!name.empty() && name.front() != ';' && name.front() != '[' && EqualsNoCase(name, trimmedOf(key)))
            return std::string(line.substr(eq + 1));
    }
    return std::nullopt;
}

// The indexes kept through a long run of changes find what a plain reading of the text finds, and
// a change lands where it lands in the text read afresh: repeated sections and keys in other letter
// cases, a damaged header, a damaged entry, blank lines before a header, comments, entries added to
// earlier sections, keys and sections removed and cleared.
TEST(IniDocument, ChangedDocumentReadsAsAPlainScanOfItsText) {
    const std::vector<std::string> sections{"A", "a", " B ", "b", "C", "Long Name", "New"};
    const std::vector<std::string> keys{"k", "K", " k2", "K2", "x", "10", "1", "ClientMax"};
    IniDocument ini(
        std::string("orphan=1\r\n[A]\r\nk=1\r\n\r\n[\x01"
                    "C]\r\nk2=5\r\n[B]\r\n; c=2\r\n\x01x=0\r\nx=3\r\n") +
        "X=4\r\n\r\n\r\n[a]\r\nk=6\r\nK2=6\r\n[C]\r\n=7\r\n[Long Name]\r\n1=a\r\n10=b\r\n[LONG NAME]\r\nx=9\r\n" +
        "[b]\r\nx=8\r\n");
    std::mt19937 random(7);
    auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (int step = 0; step < 2000; ++step) {
        const std::string section = pick(sections);
        const std::string key = pick(keys);
        switch (random() % 20) {
        case 0: ini.RemoveKey(section, key); break;
        case 1: ini.ClearSection(section); break;
        case 2: ini.RemoveSection(section); break;
        default: ini.Set(section, key, std::to_string(step)); break;
        }
        const std::string text = ini.Text();
        for (const std::string& s : sections)
            for (const std::string& k : keys)
                ASSERT_EQ(ini.Get(s, k), scanned(text, s, k)) << "step " << step << " " << s << "/" << k;
        IniDocument afresh(text);
        ini.Set(section, key, "v");
        afresh.Set(section, key, "v");
        ASSERT_EQ(ini.Text(), afresh.Text()) << "step " << step;
    }
}

}  // namespace
}  // namespace windows
