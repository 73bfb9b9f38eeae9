// The clock and frame-rate texts.
#include "engine/Timer.h"
#include "platform/Clock.h"
#include "scene/Sprite.h"
#include "scene/policies/TextPolicies.h"
#include "scene/policies/TextSprite.h"

#include <gtest/gtest.h>

#include <locale>

using namespace System;

namespace {

// Fixes the local time while alive.
struct FixedTime {
    explicit FixedTime(int hour, int minute, int second)
    {
        Platform::LocalTime time;
        time.year = 2026;
        time.month = 12;
        time.day = 7;
        time.hour = hour;
        time.minute = minute;
        time.second = second;
        Platform::setLocalTimeOverride([time] { return time; });
    }
    ~FixedTime() { Platform::setLocalTimeOverride(nullptr); }
};

struct ClockCase {
    int hour, minute, second;
    const char* twelve;
    const char* twentyFour;
};

} // namespace

TEST(ClockTexts, HoursUnpaddedMinutesAndSecondsTwoDigits)
{
    const ClockCase cases[] = {
        {0, 0, 0, "12:00:00 Am", "0:00:00"},   {0, 0, 59, "12:00:59 Am", "0:00:59"},
        {0, 7, 42, "12:07:42 Am", "0:07:42"},  {9, 5, 7, "9:05:07 Am", "9:05:07"},
        {11, 59, 59, "11:59:59 Am", "11:59:59"}, {12, 0, 0, "12:00:00 Pm", "12:00:00"},
        {12, 30, 0, "12:30:00 Pm", "12:30:00"}, {13, 1, 2, "1:01:02 Pm", "13:01:02"},
        {23, 59, 9, "11:59:09 Pm", "23:59:09"},
    };
    for (const ClockCase& c : cases) {
        FixedTime fixed(c.hour, c.minute, c.second);
        EXPECT_EQ(time_12h::text(), c.twelve);
        EXPECT_EQ(time_24h::text(), c.twentyFour);
    }
}

TEST(ClockTexts, AGlobalLocaleWithDigitGroupingChangesNothing)
{
    struct Grouping : std::numpunct<char> {
        char do_thousands_sep() const override { return '#'; }
        std::string do_grouping() const override { return "\1"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Grouping));
    FixedTime fixed(13, 45, 6);
    EXPECT_EQ(time_12h::text(), "1:45:06 Pm");
    EXPECT_EQ(time_24h::text(), "13:45:06");
    std::locale::global(previous);
}

TEST(TextSprite, StartsCentredInWhiteAndEachUpdateReplacesTheText)
{
    const Rect area{0, 0, 1024, 768};
    Sprite<text_sprite<time_24h>> clock(PointF{0, 0}, PointF{1, 1}, Point(), &area);
    EXPECT_EQ(clock.font, nullptr);
    EXPECT_EQ(clock.texture, nullptr);
    EXPECT_EQ(clock.position.x, 0.5f);
    EXPECT_EQ(clock.position.y, 0.5f);
    EXPECT_EQ(clock.colour.a, 1.0f);
    EXPECT_TRUE(clock.text.empty());
    clock.text = "Cool clock here :)";
    {
        FixedTime fixed(21, 5, 9);
        clock.update(0.0);
        EXPECT_EQ(clock.text, "21:05:09");
    }
    {
        FixedTime fixed(21, 5, 10);
        clock.update(123.0);  // the elapsed time is not used
        EXPECT_EQ(clock.text, "21:05:10");
    }
}

TEST(TextSprite, TheFrameRateTextReads01FirstThenCountsTheFramesOfEachSecond)
{
    // The timer is made here, on its first use in this process, with a counter driven by hand.
    std::int64_t now = 5000;
    Platform::setCounterOverride({[](std::int64_t& f) { f = 1000; return true; }, [&now] { return now; }});
    const Rect area{0, 0, 1024, 768};
    Sprite<text_sprite<fpsometer>> fps(PointF{0, 0}, PointF{1, 1}, Point(), &area);
    fps.text = "FPSometer";
    fps.update(0.0);
    EXPECT_EQ(fps.text, "01");
    for (int i = 0; i < 8; ++i) {
        now += 100;  // 10 frames a second
        fps.update(0.1);
        EXPECT_EQ(fps.text, "01");
    }
    now += 201;  // past one second since the last renewal: 9 frames counted
    fps.update(0.1);
    EXPECT_EQ(fps.text, "09");
    Platform::setCounterOverride({});
}
