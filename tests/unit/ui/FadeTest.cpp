#include "engine/ui/FXManager.h"
#include "engine/ui/Fade.h"

#include <gtest/gtest.h>

#include <vector>

using namespace System;
using System::FX::Fade;

namespace {

// The levels a fade hands out, with -1 wherever `finished` fired.
struct Trace {
    std::vector<int> seen;
    boost::function<void(int)> setter()
    {
        return [this](int level) { seen.push_back(level); };
    }
    void watch(Fade& fade)
    {
        fade.onFinished([this] { seen.push_back(-1); });
    }
};

std::vector<int> run(unsigned char from, unsigned char to, double duration, std::vector<double> steps)
{
    Trace trace;
    Fade fade(duration, from, to, trace.setter());
    trace.watch(fade);
    fade.start();
    for (double step : steps)
        fade.update(step);
    return trace.seen;
}

} // namespace

TEST(Fade, RampsLinearlyAndArrivesExactlyOnce)
{
    EXPECT_EQ(run(0, 180, 2.0, {0.5, 0.5, 0.5, 0.5, 0.5}), (std::vector<int>{45, 90, 135, 180, 180, -1}));
    EXPECT_EQ(run(200, 100, 1.0, {0.25, 0.25, 0.25, 0.25}), (std::vector<int>{175, 150, 125, 100, 100, -1}));
    // An overlong step is clamped to the end level.
    EXPECT_EQ(run(0, 180, 2.0, {3.0}), (std::vector<int>{180, 180, -1}));
    EXPECT_EQ(run(200, 100, 1.0, {1e9}), (std::vector<int>{100, 100, -1}));
    // Zero or negative durations arrive on the first update, without dividing by zero.
    for (double duration : {0.0, -1.0}) {
        EXPECT_EQ(run(0, 180, duration, {0.0, 1.0}), (std::vector<int>{180, 180, -1}));
        EXPECT_EQ(run(200, 100, duration, {0.5}), (std::vector<int>{100, 100, -1}));
    }
}

TEST(Fade, IdleFadesCallNothingAndARestartRunsAgainFromTheStart)
{
    Trace trace;
    Fade fade(1.0, 10, 20, trace.setter());
    trace.watch(fade);
    fade.update(0.5);
    fade.start();
    EXPECT_TRUE(trace.seen.empty());
    for (double step : {0.5, 0.5, 0.5})
        fade.update(step);
    EXPECT_EQ(trace.seen, (std::vector<int>{15, 20, 20, -1}));
    EXPECT_FALSE(fade.isRunning());

    // Restarted mid-run and after completion, it begins again from `from`.
    fade.start();
    fade.update(0.5);
    fade.start();
    EXPECT_EQ(fade.getCurrent(), 10u);
    fade.update(0.5);
    fade.update(0.5);
    EXPECT_EQ(trace.seen, (std::vector<int>{15, 20, 20, -1, 15, 15, 20, 20, -1}));
}

TEST(Fade, AnEmptySetterFailsOnEveryRunningUpdateAndLeavesTheFadeAsItWas)
{
    Fade fade(2.0, 0, 180, boost::function<void(int)>());
    int finished = 0;
    fade.onFinished([&] { ++finished; });
    EXPECT_NO_THROW(fade.update(0.5));
    fade.start();
    EXPECT_THROW(fade.update(0.5), boost::bad_function_call);
    EXPECT_THROW(fade.update(10.0), boost::bad_function_call);
    EXPECT_TRUE(fade.isRunning());
    EXPECT_EQ(fade.getCurrent(), 0u);
    EXPECT_EQ(finished, 0);
}

TEST(FXManagerEffects, EveryEffectIsUpdatedInCreationOrder)
{
    FXManager& manager = FXManager::instance();
    std::size_t before = manager.getEffects().size();
    std::vector<std::string> calls;
    auto named = [&](std::string name) {
        return boost::function<void(int)>([&calls, name](int level) { calls.push_back(name + std::to_string(level)); });
    };
    Fade* first = manager.createFade(1.0, 0, 100, named("first "));
    Fade* idle = manager.createFade(1.0, 0, 100, named("idle "));
    Fade* last = manager.createFade(1.0, 100, 0, named("last "));
    ASSERT_EQ(manager.getEffects().size(), before + 3);
    EXPECT_EQ(manager.getEffects().back(), last);

    last->start();
    first->start();
    manager.update(0.5);
    EXPECT_EQ(calls, (std::vector<std::string>{"first 50", "last 50"}));
    // Both finish, so the setters pointing into this test are never called again.
    manager.update(0.5);
    EXPECT_EQ(calls.size(), 6u);
    EXPECT_FALSE(first->isRunning() || idle->isRunning() || last->isRunning());
}
