#include "base/Exception.h"
#include "engine/Timer.h"
#include "platform/Clock.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

using namespace System;

namespace {

// A counter at 1000 ticks per second that the test moves by hand.
class ManualClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::CounterOverride source;
        source.frequency = [](std::int64_t& f) {
            f = 1000;
            return true;
        };
        source.counter = [this] { return now; };
        Platform::setCounterOverride(source);
    }
    void TearDown() override { Platform::setCounterOverride({}); }

    std::int64_t now = 5000000;  // the counter's origin is long past
};

} // namespace

TEST_F(ManualClock, ElapsedGrowsUntilMarked)
{
    Timer timer;
    now += 250;
    double first = timer.elapsed();
    now += 250;
    double second = timer.elapsed();
    EXPECT_DOUBLE_EQ(first, 0.25);
    EXPECT_DOUBLE_EQ(second, 0.5);
    timer.mark();
    EXPECT_DOUBLE_EQ(timer.elapsed(), 0.0);
    now += 16;
    EXPECT_DOUBLE_EQ(timer.elapsed(), 0.016);
}

TEST_F(ManualClock, TickCarriesElapsedAndUpdateWithoutSlotsDoesNothing)
{
    Timer timer;
    now += 100;
    timer.update();  // nothing connected
    double seen = -1;
    timer.tick.connect([&](double seconds) { seen = seconds; });
    timer.update();
    EXPECT_DOUBLE_EQ(seen, 0.1);
}

TEST_F(ManualClock, FpsTextCountsCallsOverAWindowOfMoreThanASecond)
{
    Timer timer;
    // The first call renews at once.
    EXPECT_EQ(timer.fpsText(), "01");
    // Nine calls in the next window give 09 on the call that ends it.
    std::string text;
    for (int i = 0; i < 8; ++i) {
        now += 100;
        text = timer.fpsText();
        EXPECT_EQ(text, "01");
    }
    now += 300;  // now 1.1 s after the renewal
    EXPECT_EQ(timer.fpsText(), "09");
}

TEST_F(ManualClock, SteadySixtyFramesPerSecondReadsSixtyOrSixtyOne)
{
    Platform::CounterOverride fine;
    fine.frequency = [](std::int64_t& f) {
        f = 600000;
        return true;
    };
    std::int64_t ticks = 3000000;
    fine.counter = [&ticks] { return ticks; };
    Platform::setCounterOverride(fine);

    Timer timer;
    EXPECT_EQ(timer.fpsText(), "01");
    std::string text;
    int firstRenewal = 0;
    for (int frame = 1; frame <= 600; ++frame) {
        ticks += 10000;  // 1/60 s
        text = timer.fpsText();
        if (!firstRenewal && text != "01")
            firstRenewal = frame;
        if (firstRenewal) {
            EXPECT_TRUE(text == "60" || text == "61") << "frame " << frame << ": " << text;
        }
    }
    // The first frame that ends more than one second after the renewal renews the text.
    EXPECT_EQ(firstRenewal, 61);
}

TEST(TimerWithoutCounter, CreationFailsWithTheMessageAndLogsIt)
{
    Platform::CounterOverride none;
    none.frequency = [](std::int64_t& f) {
        f = 0;
        return false;
    };
    none.counter = [] { return std::int64_t(0); };
    Platform::setCounterOverride(none);
    LogCapture capture;
    try {
        Timer timer;
        FAIL() << "a timer without a counter was made";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "High pf timer not found!");
    }
    Platform::setCounterOverride({});
    EXPECT_TRUE(capture.contains("Initializing timer\n"));
    EXPECT_TRUE(capture.contains("High pf timer not found!"));
    EXPECT_FALSE(capture.contains("Timer initialized\n"));
}
