#include "engine/ui/FXManager.h"
#include "engine/ui/Fade.h"

#include <boost/function.hpp>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

using namespace System;
using System::FX::Fade;

namespace {

// Every level a fade hands out, and the moments `finished` fired (as the number of levels seen).
struct Trace {
    std::vector<int> levels;
    std::vector<std::size_t> finishedAfter;

    void watch(Fade& fade)
    {
        fade.onFinished([this] { finishedAfter.push_back(levels.size()); });
    }
    boost::function<void(int)> setter()
    {
        return [this](int level) { levels.push_back(level); };
    }
};

void run(Fade& fade, std::initializer_list<double> steps)
{
    for (double step : steps)
        fade.update(step);
}

} // namespace

TEST(Fade, RampsUpAndDownInEqualStepsAndArrivesExactly)
{
    Trace up;
    Fade rising(2.0, 0, 180, up.setter());
    up.watch(rising);
    rising.start();
    run(rising, {0.5, 0.5, 0.5});
    EXPECT_EQ(up.levels, (std::vector<int>{45, 90, 135}));
    EXPECT_TRUE(up.finishedAfter.empty());
    rising.update(0.5);
    EXPECT_EQ(up.levels, (std::vector<int>{45, 90, 135, 180, 180}));
    // Once, on the fourth update, after the setter has seen the end level.
    EXPECT_EQ(up.finishedAfter, std::vector<std::size_t>{5});
    EXPECT_FALSE(rising.isRunning());

    Trace down;
    Fade falling(1.0, 200, 100, down.setter());
    down.watch(falling);
    falling.start();
    run(falling, {0.25, 0.25, 0.25, 0.25});
    EXPECT_EQ(down.levels, (std::vector<int>{175, 150, 125, 100, 100}));
    EXPECT_EQ(down.finishedAfter, std::vector<std::size_t>{5});
}

TEST(Fade, AnOverlongStepIsClampedToTheEndLevel)
{
    Trace up;
    Fade rising(2.0, 0, 180, up.setter());
    up.watch(rising);
    rising.start();
    rising.update(3.0);
    EXPECT_EQ(up.levels, (std::vector<int>{180, 180}));
    EXPECT_EQ(up.finishedAfter.size(), 1u);

    Trace down;
    Fade falling(1.0, 200, 100, down.setter());
    falling.start();
    falling.update(1000.0);
    EXPECT_EQ(down.levels, (std::vector<int>{100, 100}));
}

TEST(Fade, IdleFadesCallNothingAndARestartRunsAgainFromTheStart)
{
    Trace trace;
    Fade fade(1.0, 10, 20, trace.setter());
    trace.watch(fade);
    run(fade, {0.5, 0.5, 5.0});
    EXPECT_TRUE(trace.levels.empty());
    EXPECT_FALSE(fade.isRunning());

    fade.start();
    EXPECT_TRUE(trace.levels.empty()) << "start itself calls no setter";
    run(fade, {0.5, 0.5});
    EXPECT_EQ(trace.levels, (std::vector<int>{15, 20, 20}));
    run(fade, {0.5, 0.5});
    EXPECT_EQ(trace.levels.size(), 3u);

    // Restart in the middle of a run and after completion: both begin again from `from`.
    fade.start();
    fade.update(0.5);
    fade.start();
    EXPECT_EQ(fade.getCurrent(), 10u);
    run(fade, {0.5, 0.5});
    EXPECT_EQ(trace.levels, (std::vector<int>{15, 20, 20, 15, 15, 20, 20}));
    EXPECT_EQ(trace.finishedAfter, (std::vector<std::size_t>{3, 7}));
}

TEST(Fade, AnEmptySetterFailsOnTheFirstRunningUpdateAndLeavesTheFadeAsItWas)
{
    Fade fade(2.0, 0, 180, boost::function<void(int)>());
    int finished = 0;
    fade.onFinished([&] { ++finished; });
    EXPECT_NO_THROW(fade.update(0.5));

    fade.start();
    EXPECT_THROW(fade.update(0.5), boost::bad_function_call);
    EXPECT_TRUE(fade.isRunning());
    EXPECT_EQ(fade.getCurrent(), 0u);
    // Not even a step long enough to finish gets past the missing setter.
    EXPECT_THROW(fade.update(10.0), boost::bad_function_call);
    EXPECT_TRUE(fade.isRunning());
    EXPECT_EQ(finished, 0);
}

TEST(Fade, ZeroOrNegativeDurationsArriveOnTheFirstUpdate)
{
    for (double duration : {0.0, -1.0}) {
        for (auto [from, to] : {std::pair<int, int>{0, 180}, std::pair<int, int>{200, 100}}) {
            Trace trace;
            Fade fade(duration, static_cast<unsigned char>(from), static_cast<unsigned char>(to), trace.setter());
            trace.watch(fade);
            fade.start();
            fade.update(0.0);
            ASSERT_EQ(trace.levels.size(), 2u) << duration << " " << from << "->" << to;
            EXPECT_GE(trace.levels[0], std::min(from, to));
            EXPECT_LE(trace.levels[0], std::max(from, to));
            EXPECT_EQ(trace.levels[1], to);
            EXPECT_EQ(trace.finishedAfter.size(), 1u);
            EXPECT_FALSE(fade.isRunning());
        }
    }
}

TEST(FXManagerEffects, EveryEffectIsUpdatedInCreationOrderRunningOrNot)
{
    FXManager& manager = FXManager::instance();
    EXPECT_EQ(manager.getName(), "FXManager");
    std::size_t before = manager.getEffects().size();

    std::vector<std::string> calls;
    Fade* first = manager.createFade(1.0, 0, 100, [&](int level) { calls.push_back("first " + std::to_string(level)); });
    Fade* idle = manager.createFade(1.0, 0, 100, [&](int level) { calls.push_back("idle " + std::to_string(level)); });
    Fade* last = manager.createFade(1.0, 100, 0, [&](int level) { calls.push_back("last " + std::to_string(level)); });
    ASSERT_EQ(manager.getEffects().size(), before + 3);
    EXPECT_EQ(manager.getEffects().back(), last);
    EXPECT_FALSE(first->isRunning()) << "a new fade waits for start";

    last->start();
    first->start();
    manager.update(0.5);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 50", "last 50"}));

    // Finish both, so the setters that point into this test are never called again.
    manager.update(0.5);
    EXPECT_FALSE(first->isRunning());
    EXPECT_FALSE(last->isRunning());
    EXPECT_FALSE(idle->isRunning());
    EXPECT_EQ(calls.size(), 6u);
}
