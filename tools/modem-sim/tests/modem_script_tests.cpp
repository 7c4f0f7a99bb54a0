#include "ModemOptions.h"
#include "ModemScript.h"

#include <gtest/gtest.h>

#include <random>

using namespace modem_sim;

TEST(ModemScript, SendsModemLinesWithCrLfAndReadsPausesAndExpectations) {
    const auto steps = parseModemScript(
        "# a call\r\n"
        "expect AT#CID\r\n"
        "RING\r\n"
        "\r\n"
        "WAIT 500\n"
        "DATE = 1208\n"
        "TIME = 1937\n"
        "NMBR = 5551234\n"
        "NAME = JOHN DOE  \n"
        "raw ###DATE1208...NMBR5551234...NAMEJOHN+++\\r\n"
        "raw NA\\x4dE\\t\\\\\n"
        "waiting for you");
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[0].kind, ModemStep::Kind::expect);
    EXPECT_EQ(steps[0].text, "AT#CID");
    EXPECT_EQ(steps[1].text, "RING\r\n");
    EXPECT_EQ(steps[2].kind, ModemStep::Kind::wait);
    EXPECT_EQ(steps[2].ms, 500);
    EXPECT_EQ(steps[3].text, "DATE = 1208\r\n");
    EXPECT_EQ(steps[6].text, "NAME = JOHN DOE\r\n");
    EXPECT_EQ(steps[7].kind, ModemStep::Kind::send);
    EXPECT_EQ(steps[7].text, "###DATE1208...NMBR5551234...NAMEJOHN+++\r");
    EXPECT_EQ(steps[8].text, "NAME\t\\");
    // Only "wait" followed by a blank is a pause.
    EXPECT_EQ(steps[9].text, "waiting for you\r\n");
}

TEST(ModemScript, FaultsNameTheirLine) {
    for (const char* bad :
         {"wait soon", "wait -1", "wait 3600001", "wait", "expect", "raw", "raw \\q", "raw \\x4", "raw end\\"}) {
        try {
            parseModemScript(std::string("RING\n") + bad);
            ADD_FAILURE() << bad;
        } catch (const std::invalid_argument& fault) {
            EXPECT_EQ(std::string(fault.what()).rfind("line 2: ", 0), 0u) << fault.what();
        }
    }
    EXPECT_THROW(parseModemScript(std::string(5000, 'R')), std::invalid_argument);
    EXPECT_TRUE(parseModemScript("").empty());
}

TEST(ModemOptions, ReadsPacingAndRefusesContradictions) {
    const auto options = parseModemOptions({"--step", "--stay", "--log", "/tmp/m.log", "calls.txt"});
    EXPECT_TRUE(options.step);
    EXPECT_TRUE(options.stay);
    EXPECT_FALSE(options.noDelays);
    EXPECT_EQ(options.logFile, "/tmp/m.log");
    EXPECT_EQ(options.scriptFile, "calls.txt");
    EXPECT_TRUE(parseModemOptions({"--no-delays", "--log=x", "s"}).noDelays);
    EXPECT_THROW(parseModemOptions({}), std::invalid_argument);
    EXPECT_THROW(parseModemOptions({"--step", "--no-delays", "s"}), std::invalid_argument);
    EXPECT_THROW(parseModemOptions({"a", "b"}), std::invalid_argument);
    EXPECT_THROW(parseModemOptions({"--fast", "s"}), std::invalid_argument);
    EXPECT_THROW(parseModemOptions({"s", "--log"}), std::invalid_argument);
    EXPECT_EQ(parseModemOptions({"--baud", "1200", "s"}).baud, 1200);
    EXPECT_EQ(parseModemOptions({"s"}).baud, 0);
    for (const char* bad : {"0", "49", "115201", "fast", "-1200", ""})
        EXPECT_THROW(parseModemOptions({"--baud", bad, "s"}), std::invalid_argument) << bad;
}

TEST(ModemScript, AnyTextParsesOrNamesItsFault) {
    std::mt19937 random(1937);
    const std::string pieces[] = {"wait ", "raw ", "expect ", "\\x", "\\", "\n", "\r", "1", "RING", "#", " "};
    for (int round = 0; round < 2000; ++round) {
        std::string script;
        for (int i = 0; i < 12; ++i)
            script += random() % 3 == 0 ? std::string(1, static_cast<char>(random() % 256))
                                        : pieces[random() % std::size(pieces)];
        try {
            for (const auto& step : parseModemScript(script))
                EXPECT_TRUE(step.kind != ModemStep::Kind::wait || (step.ms >= 0 && step.ms <= longestWaitMs));
        } catch (const std::invalid_argument& fault) {
            EXPECT_EQ(std::string(fault.what()).rfind("line ", 0), 0u);
        }
    }
}
