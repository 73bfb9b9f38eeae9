#include "engine/Log.h"
#include "platform/Clock.h"
#include "platform/SystemInfo.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

class FixedTime : public ::testing::Test {
protected:
    void at(int hour, int minute, int second)
    {
        Platform::LocalTime time;
        time.year = 2026;
        time.month = 12;
        time.day = 7;
        time.dayOfWeek = 1;
        time.hour = hour;
        time.minute = minute;
        time.second = second;
        Platform::setLocalTimeOverride([time] { return time; });
    }
    void TearDown() override { Platform::setLocalTimeOverride({}); }
};

} // namespace

TEST_F(FixedTime, WriteStampsTheTextAndEndsWithNul)
{
    at(9, 3, 4);
    LogCapture capture;
    Log::instance().write("Engine started\n");
    ASSERT_EQ(capture.raw.size(), 1u);
    EXPECT_EQ(capture.raw[0], std::string("[09:03:04] Engine started\n") + '\0');

    at(21, 5, 9);
    EXPECT_EQ(Log::instance().timestamp(), "[21:05:09] ");
    // write adds no line break of its own.
    Log::instance().write("no break");
    EXPECT_EQ(capture.raw[1], std::string("[21:05:09] no break") + '\0');
}

TEST_F(FixedTime, DateIsTheLongEnglishForm)
{
    at(0, 0, 0);
    EXPECT_EQ(Log::instance().dateText(), "Monday,07 December 2026");
}

TEST_F(FixedTime, SystemInfoLine)
{
    at(1, 2, 3);
    LogCapture capture;
    Platform::OsVersion version;
    version.name = "Linux";
    version.major = 6;
    version.minor = 1;
    version.build = 55;
    version.extra = "#1 SMP Debian";
    Log::instance().writeSystemInfo(version);
    ASSERT_EQ(capture.raw.size(), 1u);
    EXPECT_EQ(capture.raw[0], std::string("[01:02:03] Running under Linux 6.1 build 55, #1 SMP Debian\n") + '\0');
}

TEST_F(FixedTime, LinesReachEverySinkInOrderAndDetachedSinksNoLonger)
{
    at(12, 0, 0);
    LogCapture first;
    {
        LogCapture second;
        Log::instance().write("both\n");
        EXPECT_EQ(second.lines.size(), 1u);
    }
    Log::instance().write("first only\n");
    EXPECT_EQ(first.texts(), (std::vector<std::string>{"both\n", "first only\n"}));
}
