#include "homeseer/SunTimes.h"

#include <cmath>
#include <ctime>
#include <numbers>

#include "vb/DateTime.h"

namespace homeseer {

namespace {

constexpr double kZenith = 90.833;  // the sun's centre below the horizon at rise and set
constexpr double kDegree = std::numbers::pi / 180.0;

double sinDeg(double d) { return std::sin(d * kDegree); }
double cosDeg(double d) { return std::cos(d * kDegree); }
double wrap(double value, double range) {
    value = std::fmod(value, range);
    return value < 0 ? value + range : value;
}

int dayOfYear(vb::Date day) { return vb::DatePart("y", day); }

// The offset of local time from UTC at noon of that day, in hours.
double utcOffsetOn(vb::Date day) {
    std::tm local{};
    local.tm_year = vb::Year(day) - 1900;
    local.tm_mon = vb::Month(day) - 1;
    local.tm_mday = vb::Day(day);
    local.tm_hour = 12;
    local.tm_isdst = -1;
    std::time_t t = std::mktime(&local);
    std::tm back{};
    localtime_r(&t, &back);
    return static_cast<double>(back.tm_gmtoff) / 3600.0;
}

}  // namespace

std::optional<double> SunEventHour(vb::Date day, double latitude, double longitude, SunEvent event,
                                   double utcOffsetHours) {
    const double lngHour = longitude / 15.0;
    const double t = dayOfYear(day) + ((event == SunEvent::Rise ? 6.0 : 18.0) - lngHour) / 24.0;
    const double meanAnomaly = 0.9856 * t - 3.289;
    const double trueLongitude =
        wrap(meanAnomaly + 1.916 * sinDeg(meanAnomaly) + 0.020 * sinDeg(2 * meanAnomaly) + 282.634, 360.0);
    double rightAscension = wrap(std::atan(0.91764 * std::tan(trueLongitude * kDegree)) / kDegree, 360.0);
    rightAscension += std::floor(trueLongitude / 90.0) * 90.0 - std::floor(rightAscension / 90.0) * 90.0;
    rightAscension /= 15.0;
    const double sinDeclination = 0.39782 * sinDeg(trueLongitude);
    const double cosDeclination = std::cos(std::asin(sinDeclination));
    const double cosHourAngle =
        (cosDeg(kZenith) - sinDeclination * sinDeg(latitude)) / (cosDeclination * cosDeg(latitude));
    if (cosHourAngle > 1.0 || cosHourAngle < -1.0) return std::nullopt;
    double hourAngle = std::acos(cosHourAngle) / kDegree;
    if (event == SunEvent::Rise) hourAngle = 360.0 - hourAngle;
    const double localMean = hourAngle / 15.0 + rightAscension - 0.06571 * t - 6.622;
    return wrap(localMean - lngHour + utcOffsetHours, 24.0);
}

std::string SunTimeText(vb::Date day, double latitude, double longitude, SunEvent event) {
    std::optional<double> hour = SunEventHour(day, latitude, longitude, event, utcOffsetOn(day));
    if (!hour) return {};
    int minutes = static_cast<int>(std::lround(*hour * 60.0)) % (24 * 60);
    int h = minutes / 60;
    int m = minutes % 60;
    int shown = h % 12 == 0 ? 12 : h % 12;
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", shown, m, h < 12 ? "AM" : "PM");
    return text;
}

}  // namespace homeseer
