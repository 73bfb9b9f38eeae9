#include "engine/PowerWatch.h"
#include "platform/Power.h"


#include <gtest/gtest.h>

using namespace System;
using Platform::DisplayPower;

namespace {

struct FakeSources {
    double now = 100.0;
    DisplayPower display = DisplayPower::On;
    bool shown = true;
    bool battery = false;
    int displayAsked = 0;
    int batteryAsked = 0;

    PowerWatch::Sources sources()
    {
        return PowerWatch::Sources{[this] { return now; },
                                   [this] {
                                       ++displayAsked;
                                       return display;
                                   },
                                   [this] { return shown; },
                                   [this] {
                                       ++batteryAsked;
                                       return battery;
                                   }};
    }
};

// Runs the watch every `step` seconds for `seconds`.
void runFor(PowerWatch& watch, FakeSources& fake, double seconds, double step = 1.0 / 30)
{
    for (double end = fake.now + seconds; fake.now < end; fake.now += step)
        watch.update();
}

} // namespace

// A dark display holds drawing back from the next look on (at most a second later); dimmed is not
// dark; the display is asked once a second and the battery every five, never per frame.
TEST(PowerWatch, DisplayOffHoldsDrawingAndIsAskedAboutOnceASecond)
{
    FakeSources fake;
    PowerWatch watch(fake.sources());
    EXPECT_EQ(watch.update(), PowerWatch::Hold::None);
    runFor(watch, fake, 10.0);
    EXPECT_GE(fake.displayAsked, 10);
    EXPECT_LE(fake.displayAsked, 12);
    EXPECT_GE(fake.batteryAsked, 2);
    EXPECT_LE(fake.batteryAsked, 3);

    fake.display = DisplayPower::Off;
    double went = fake.now;
    while (watch.update() == PowerWatch::Hold::None && fake.now < went + 5)
        fake.now += 1.0 / 30;
    EXPECT_EQ(watch.getHold(), PowerWatch::Hold::DisplayOff);
    EXPECT_LE(fake.now - went, PowerWatch::DisplayPollSeconds + 1.0 / 30 + 1e-9);

    fake.display = DisplayPower::Dimmed;
    went = fake.now;
    while (watch.update() != PowerWatch::Hold::None && fake.now < went + 5)
        fake.now += 1.0 / 30;
    EXPECT_EQ(watch.getHold(), PowerWatch::Hold::None) << "a dimmed display still shows the scene";
    EXPECT_LE(fake.now - went, PowerWatch::DisplayPollSeconds + 1.0 / 30 + 1e-9);

    // Held back, the loop turns twenty times a second; still one question a second.
    fake.display = DisplayPower::Off;
    const int asked = fake.displayAsked;
    runFor(watch, fake, 30.0, 0.05);
    EXPECT_EQ(watch.getHold(), PowerWatch::Hold::DisplayOff);
    EXPECT_LE(fake.displayAsked - asked, 31);
}

TEST(PowerWatch, HiddenWindowHoldsDrawingAtOnceAndTheDarkDisplayComesFirst)
{
    FakeSources fake;
    PowerWatch watch(fake.sources());
    watch.update();
    fake.shown = false;
    fake.now += 0.01;
    EXPECT_EQ(watch.update(), PowerWatch::Hold::WindowHidden) << "the window's state costs nothing: every turn";
    fake.display = DisplayPower::Off;
    runFor(watch, fake, 1.5);
    EXPECT_EQ(watch.getHold(), PowerWatch::Hold::DisplayOff);
    fake.display = DisplayPower::On;
    runFor(watch, fake, 1.5);
    EXPECT_EQ(watch.getHold(), PowerWatch::Hold::WindowHidden);
    fake.shown = true;
    fake.now += 0.01;
    EXPECT_EQ(watch.update(), PowerWatch::Hold::None);
    EXPECT_STREQ(PowerWatch::describe(PowerWatch::Hold::DisplayOff), "the display is off");
    EXPECT_STREQ(PowerWatch::describe(PowerWatch::Hold::WindowHidden), "the window is hidden or covered");
}

TEST(PowerWatch, BatteryChangesAreReportedOnce)
{
    FakeSources fake;
    PowerWatch watch(fake.sources());
    watch.update();
    EXPECT_FALSE(watch.takeBatteryChange()) << "on mains from the start: nothing to change";
    fake.battery = true;
    runFor(watch, fake, PowerWatch::BatteryPollSeconds + 0.1);
    EXPECT_TRUE(watch.isOnBattery());
    EXPECT_TRUE(watch.takeBatteryChange());
    EXPECT_FALSE(watch.takeBatteryChange());
    runFor(watch, fake, 20.0);
    EXPECT_FALSE(watch.takeBatteryChange());
    fake.battery = false;
    runFor(watch, fake, PowerWatch::BatteryPollSeconds + 0.1);
    EXPECT_FALSE(watch.isOnBattery());
    EXPECT_TRUE(watch.takeBatteryChange());

    FakeSources unplugged;
    unplugged.battery = true;
    PowerWatch fromTheStart(unplugged.sources());
    fromTheStart.update();
    EXPECT_TRUE(fromTheStart.takeBatteryChange()) << "started on battery";
}
