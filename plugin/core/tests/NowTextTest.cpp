#include "core/NowText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

namespace zephra {
namespace {

using namespace std::chrono;

// The texts are local time: the test runs in UTC.
class GeneralDate : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (saved_) setenv("TZ", saved_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    static system_clock::time_point at(year_month_day day, int h, int m, int s) {
        return sys_days{day} + hours{h} + minutes{m} + seconds{s};
    }
    std::optional<std::string> saved_;
};

TEST_F(GeneralDate, UsEnglishWithoutLeadingZeros) {
    EXPECT_EQ(GeneralDateText(at(2026y / 12 / 8, 19, 37, 12)), "12/8/2026 7:37:12 PM");
    EXPECT_EQ(GeneralDateText(at(2027y / 1 / 1, 0, 5, 9)), "1/1/2027 12:05:09 AM");
    EXPECT_EQ(GeneralDateText(at(2026y / 6 / 30, 12, 0, 0)), "6/30/2026 12:00:00 PM");
    EXPECT_EQ(GeneralDateText(at(2026y / 6 / 30, 11, 59, 59)), "6/30/2026 11:59:59 AM");
    // Midnight sharp is a date without a time.
    EXPECT_EQ(GeneralDateText(at(2026y / 12 / 8, 0, 0, 0)), "12/8/2026");
}

}  // namespace
}  // namespace zephra
