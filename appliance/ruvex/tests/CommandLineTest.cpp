#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CommandLine.h"

namespace ruvex {
namespace {

// Runs ReadCommandLine over the words, as main would get them.
bool Read(std::vector<std::string> words, CommandLine& line) {
    words.insert(words.begin(), "ruvex");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    optind = 0;
    return ReadCommandLine(static_cast<int>(words.size()), argv.data(), line);
}

TEST(CommandLine, OptionsAndTheArgument) {
    CommandLine line;
    ASSERT_TRUE(Read({"-i", "-v", "/tmp/a.wav"}, line));
    EXPECT_TRUE(line.interactive);
    EXPECT_TRUE(line.verbose);
    EXPECT_EQ(line.argument, "/tmp/a.wav");

    CommandLine plain;
    ASSERT_TRUE(Read({"a.wav"}, plain));
    EXPECT_FALSE(plain.interactive);
    EXPECT_FALSE(plain.verbose);

    CommandLine none;
    EXPECT_FALSE(Read({"-v"}, none));
    CommandLine unknown;
    EXPECT_FALSE(Read({"-x", "a.wav"}, unknown));
    for (const char* help : {"-h", "--help"}) {
        CommandLine asked;
        EXPECT_FALSE(Read({"-v", help, "a.wav"}, asked)) << help;
    }
    // After the options, "-h" is the argument.
    CommandLine named;
    ASSERT_TRUE(Read({"--", "-h"}, named));
    EXPECT_EQ(named.argument, "-h");
}

TEST(CommandLine, UrlHandedToThePlugin) {
    CommandLine line;
    line.argument = line.last = "/tmp/a.wav";
    EXPECT_EQ(MediaUrl(line), "file:///tmp/a.wav");
    line.argument = line.last = "file:///tmp/a.wav";
    EXPECT_EQ(MediaUrl(line), "file:///tmp/a.wav");
    // An http URL goes out as it stands: nothing may follow it into the request line.
    line.argument = line.last = "http://127.0.0.1:8000/a.wav";
    EXPECT_EQ(MediaUrl(line), "http://127.0.0.1:8000/a.wav");
    // A plain name takes the last argument of the command line.
    line.argument = "a.wav";
    line.last = "b.wav";
    EXPECT_EQ(MediaUrl(line), "file://b.wav");
}

}  // namespace
}  // namespace ruvex
