#include "engine/FramePacer.h"

#include <gtest/gtest.h>

#include <vector>

using namespace System;

namespace {

// A clock that moves only when the pacer sleeps or a frame's work is simulated.
struct FakeClock {
    double now = 100.0;
    std::vector<double> sleeps;
    FramePacer::Clock clock()
    {
        return FramePacer::Clock{[this] { return now; },
                                 [this](double until) {
                                     sleeps.push_back(until - now);
                                     if (until > now)
                                         now = until;
                                 }};
    }
};

// Runs frames of `work` seconds each for `seconds` of the fake clock; returns the swaps made.
int swapsIn(FramePacer& pacer, FakeClock& time, double work, double seconds)
{
    const double end = time.now + seconds;
    int swaps = 0;
    while (time.now + work <= end) {
        time.now += work;
        ++swaps;
        pacer.pace();
    }
    return swaps;
}

} // namespace

TEST(FramePacer, CeilingFollowsTheDisplayAndTheRenderer)
{
    EXPECT_EQ(FramePacer::ceilingFor(144, false), 60);
    EXPECT_EQ(FramePacer::ceilingFor(0, false), 60);
    EXPECT_EQ(FramePacer::ceilingFor(60, false), 60);
    EXPECT_EQ(FramePacer::ceilingFor(50, false), 50);
    EXPECT_EQ(FramePacer::ceilingFor(60, true), 30);
    EXPECT_EQ(FramePacer::ceilingFor(0, true), 30);
    EXPECT_EQ(FramePacer::ceilingFor(144, true), 30);
    EXPECT_EQ(FramePacer::ceilingFor(24, true), 24);
    EXPECT_EQ(FramePacer::reasonFor(60, true), "software renderer");
    EXPECT_EQ(FramePacer::reasonFor(0, false), "display refresh unknown");
    EXPECT_EQ(FramePacer::reasonFor(144, false), "display refresh 144 Hz");
}

// Quick frames on a 144 Hz display without vsync, or with vsync (the swap alone would give 144), are
// held to 60 a second; on a software renderer to 30.
TEST(FramePacer, FastFramesAreHeldToTheCeiling)
{
    for (bool vsync : {false, true}) {
        FakeClock time;
        FramePacer pacer(time.clock());
        pacer.configure(144, false, vsync);
        EXPECT_EQ(pacer.getCeiling(), 60);
        const int swaps = swapsIn(pacer, time, 0.002, 10.0);
        EXPECT_GE(swaps, 598) << "vsync " << vsync;
        EXPECT_LE(swaps, 601) << "vsync " << vsync;
    }
    FakeClock time;
    FramePacer pacer(time.clock());
    pacer.configure(0, true, false);
    EXPECT_EQ(pacer.getCeiling(), 30);
    const int swaps = swapsIn(pacer, time, 0.004, 10.0);
    EXPECT_GE(swaps, 299);
    EXPECT_LE(swaps, 301);
}

// Slow frames are never waited for, and a late frame is not made up by a burst of quick ones.
TEST(FramePacer, LateFramesStartANewSchedule)
{
    FakeClock time;
    FramePacer pacer(time.clock());
    pacer.configure(60, false, false);
    EXPECT_EQ(swapsIn(pacer, time, 0.040, 4.02), 100);
    EXPECT_TRUE(time.sleeps.empty());
    // One very late frame, then quick ones: the next swaps still come one period apart.
    time.now += 0.5;
    pacer.pace();
    const double start = time.now;
    for (int i = 0; i < 6; ++i) {
        time.now += 0.001;
        pacer.pace();
    }
    EXPECT_NEAR(time.now - start, 6.0 / 60.0, 1e-9);
}

// A display at or below the ceiling with vsync needs no waiting; benchmarks switch waiting off.
TEST(FramePacer, WaitsOnlyWhenTheSwapDoesNotAlready)
{
    FakeClock time;
    FramePacer pacer(time.clock());
    pacer.configure(60, false, true);
    swapsIn(pacer, time, 0.002, 1.0);
    EXPECT_TRUE(time.sleeps.empty());

    pacer.configure(0, false, false);
    pacer.setEnabled(false);
    EXPECT_EQ(swapsIn(pacer, time, 0.002, 1.0), 500);
    EXPECT_TRUE(time.sleeps.empty());
    pacer.setEnabled(true);
    EXPECT_LE(swapsIn(pacer, time, 0.002, 1.0), 61);
}

// Unplugging a laptop mid-run brings the ceiling down to 30 at once (also where vsync alone kept a
// 144 Hz display's frames) and plugging it in again restores the display's own ceiling.
TEST(FramePacer, BatteryLowersTheCeilingWhileItLasts)
{
    FakeClock time;
    FramePacer pacer(time.clock());
    pacer.configure(144, false, true);
    ASSERT_EQ(pacer.getCeiling(), 60);
    EXPECT_TRUE(pacer.setOnBattery(true));
    EXPECT_EQ(pacer.getCeiling(), 30);
    EXPECT_EQ(pacer.getReason(), "on battery");
    int swaps = swapsIn(pacer, time, 0.002, 10.0);
    EXPECT_GE(swaps, 299);
    EXPECT_LE(swaps, 301);
    EXPECT_FALSE(pacer.setOnBattery(true));
    EXPECT_TRUE(pacer.setOnBattery(false));
    EXPECT_EQ(pacer.getCeiling(), 60);
    swaps = swapsIn(pacer, time, 0.002, 10.0);
    EXPECT_GE(swaps, 598);

    // Already at 30 on a software renderer: battery changes the words, not the ceiling; a 24 Hz
    // display keeps its own lower rate.
    pacer.configure(60, true, false);
    EXPECT_FALSE(pacer.setOnBattery(true));
    EXPECT_EQ(pacer.getCeiling(), 30);
    EXPECT_EQ(pacer.getReason(), "software renderer, on battery");
    EXPECT_EQ(FramePacer::ceilingFor(24, false, true), 24);
    EXPECT_EQ(FramePacer::reasonFor(24, false, true), "display refresh 24 Hz");
}
