#include "clock_time_text.h"
#include "shifted_local_time.h"
#include "status_lines.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace chimora {
namespace {

std::string text(const std::optional<LocalTime>& time) {
    if (!time) return "refused";
    return std::to_string(time->hour) + ":" + std::to_string(time->minute) + ":" +
           std::to_string(time->second);
}

TEST(ClockTimeTextTest, TakesOnlyTwoDigitFieldsWithinTheDay) {
    EXPECT_EQ(text(parseClockTime("13:59:25")), "13:59:25");
    EXPECT_EQ(text(parseClockTime("00:00:00")), "0:0:0");
    EXPECT_EQ(text(parseClockTime("23:59:59")), "23:59:59");
    for (const char* bad : {"24:00:00", "12:60:00", "12:00:60", "1:02:03", "13:59:5", "13:59",
                            "13-59-25", "13:59:25 ", " 13:59:25", "+1:00:00", "ab:cd:ef", ""}) {
        EXPECT_EQ(text(parseClockTime(bad)), "refused") << '"' << bad << '"';
    }
}

TEST(ShiftedLocalTimeTest, StartsAtTheGivenTimeAndRunsOnPastMidnight) {
    std::chrono::milliseconds now{123456};
    ShiftedLocalTime time({23, 59, 58}, [&now] { return now; });
    EXPECT_EQ(text(time.readLocalTime()), "23:59:58");
    now += std::chrono::milliseconds(999);
    EXPECT_EQ(text(time.readLocalTime()), "23:59:58");
    now += std::chrono::milliseconds(1);
    EXPECT_EQ(text(time.readLocalTime()), "23:59:59");
    now += std::chrono::milliseconds(1000 + 3600 * 1000 + 61 * 1000);
    EXPECT_EQ(text(time.readLocalTime()), "1:1:1");
}

TEST(StatusLinesTest, SummaryNamesEachSwitchAndTheVolumeStep) {
    Settings settings;
    EXPECT_EQ(settingsSummary(settings), "melody on, hour on, half on, quarter on, volume 0db");
    settings.featureFlags[SWITCH_HOUR] = 0;
    settings.featureFlags[SWITCH_QUARTER] = 0;
    settings.melodyGain = volumeStepGains[3];
    EXPECT_EQ(settingsSummary(settings), "melody on, hour off, half on, quarter off, volume -6db");
}

} // namespace
} // namespace chimora
