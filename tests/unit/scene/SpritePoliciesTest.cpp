// The animation steps of the sprite policies, frame by frame.
#include "scene/Sprite.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"
#include "scene/policies/RotatedSprite.h"
#include "scene/policies/TranslatedSprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <set>
#include <vector>

using namespace System;

namespace {

const double Pi = 3.14159265358979323846;
const Rect Screen{0, 0, 1920, 1080};

template <class Policy>
Sprite<Policy> sprite()
{
    return Sprite<Policy>(PointF{0.0f, 0.0f}, PointF{1.0f, 1.0f}, Point(), &Screen);
}

struct Deer : Sprite<rotated_sprite<paused_update>> {
    Deer(float lo, float hi, float speed, float pauseTime)
        : Sprite(PointF{0.54f, 0.63f}, PointF{0.64f, 0.76f}, Point(), &Screen)
    {
        minAngle = lo;
        maxAngle = hi;
        this->speed = speed;
        this->pauseTime = pauseTime;
    }
};

} // namespace

TEST(PausedUpdate, ClimbsTurnsOnlyPastABoundClampsAndRests)
{
    Deer deer(-2.0f, 2.0f, 1.0f, 0.5f);
    EXPECT_EQ(deer.angle, 0.0f);
    // A zero elapsed time still moves by the speed (e^0 = 1).
    deer.update(0.0);
    EXPECT_EQ(deer.angle, 1.0f);
    deer.update(0.0);
    EXPECT_EQ(deer.angle, 2.0f);  // on the bound: no turn yet
    EXPECT_FALSE(deer.paused);
    EXPECT_EQ(deer.direction, 1);
    deer.update(0.0);  // passes it: turns, rests, clamped
    EXPECT_EQ(deer.angle, 2.0f);
    EXPECT_TRUE(deer.paused);
    EXPECT_EQ(deer.direction, -1);

    deer.update(0.5);  // the rest timer equals the pause: still resting
    deer.update(0.0);
    EXPECT_TRUE(deer.paused);
    EXPECT_EQ(deer.angle, 2.0f);
    deer.update(0.25);  // strictly longer: the rest ends, the value stays
    EXPECT_FALSE(deer.paused);
    EXPECT_EQ(deer.pauseTimer, 0.0f);
    EXPECT_EQ(deer.angle, 2.0f);
    deer.update(0.0);
    EXPECT_EQ(deer.angle, 1.0f);

    // Down to the lower bound the same way.
    for (int i = 0; i < 3; ++i)
        deer.update(0.0);
    EXPECT_EQ(deer.angle, -2.0f);
    EXPECT_FALSE(deer.paused);
    deer.update(0.0);
    EXPECT_EQ(deer.angle, -2.0f);
    EXPECT_TRUE(deer.paused);
    EXPECT_EQ(deer.direction, 1);
}

TEST(PausedUpdate, EachStepMovesEToTheElapsedSecondsTimesTheSpeed)
{
    Deer deer(-20.0f, 20.0f, 0.5f, 7.0f);
    deer.update(1.0);
    EXPECT_FLOAT_EQ(deer.angle, static_cast<float>(std::exp(1.0) * 0.5));
    deer.update(0.25);
    EXPECT_FLOAT_EQ(deer.angle, static_cast<float>(std::exp(1.0) * 0.5 + std::exp(0.25) * 0.5));
}

TEST(PausedUpdate, WithCrossedBoundsTheLowerBoundTestComesLast)
{
    // Past hi = 1 and below lo = 5 in one step: the upper test clamps to 1, then the lower one
    // turns it back and clamps to 5.
    Deer deer(5.0f, 1.0f, 3.0f, 1.0f);
    deer.update(0.0);
    EXPECT_EQ(deer.angle, 5.0f);
    EXPECT_EQ(deer.direction, 1);
    EXPECT_TRUE(deer.paused);
}

TEST(PausedUpdate, TheDeerClimbsRestsSevenSecondsThenFalls)
{
    Deer deer(-20.0f, 20.0f, 1.0f, 7.0f);
    const double frame = 1.0 / 30;
    int frames = 0;
    while (!deer.paused && frames < 100) {
        deer.update(frame);
        ++frames;
    }
    EXPECT_EQ(deer.angle, 20.0f);
    // e^(1/30) = 1.0339 degrees a frame: 19.64 after 19 frames, past 20 on the 20th, which turns.
    EXPECT_EQ(frames, 20);
    double rested = 0;
    while (deer.paused) {
        deer.update(frame);
        rested += frame;
    }
    EXPECT_NEAR(rested, 7.0, frame + 1e-6);
    deer.update(frame);
    EXPECT_LT(deer.angle, 20.0f);
}

TEST(TranslatedSprite, TheRabbitSinksByUpToMaxDistanceAndRestsAtEachEnd)
{
    auto rabbit = Sprite<translated_sprite>(PointF{0.22f, 0.64f}, PointF{0.255f, 0.69f}, Point(), &Screen);
    rabbit.speed = 2.0f;
    rabbit.pauseTime = 6.0f;
    rabbit.maxDistance = 0.05f * 1080;
    rabbit.axis = PointF{0.0f, 1.0f};
    rabbit.update(0.0);
    EXPECT_EQ(rabbit.distance, 2.0f);
    for (int i = 0; i < 26; ++i)
        rabbit.update(0.0);
    EXPECT_EQ(rabbit.distance, 54.0f);  // reached exactly: goes on
    EXPECT_FALSE(rabbit.paused);
    rabbit.update(0.0);
    EXPECT_EQ(rabbit.distance, 54.0f);
    EXPECT_TRUE(rabbit.paused);
    rabbit.update(6.0);
    EXPECT_TRUE(rabbit.paused);
    rabbit.update(0.001);
    EXPECT_FALSE(rabbit.paused);
    EXPECT_EQ(rabbit.distance, 54.0f);
    rabbit.update(0.0);
    EXPECT_EQ(rabbit.distance, 52.0f);
    // Back up: it never rises above its resting place.
    for (int i = 0; i < 30; ++i)
        rabbit.update(0.0);
    EXPECT_EQ(rabbit.distance, 0.0f);
    EXPECT_TRUE(rabbit.paused);
}

TEST(SineUpdate, SwingsFromTheMidpointBetweenMinAndTheScaledMax)
{
    auto plant = sprite<rotated_sprite<sine_update>>();
    plant.minAngle = 1.0f;
    plant.maxAngle = 4.6f;
    plant.swingScale = 1.08f;
    plant.update(0.0);
    EXPECT_FLOAT_EQ(plant.angle, 1.0f + 3.6f * 1.08f / 2.0f);
    plant.update(Pi / 2);
    EXPECT_FLOAT_EQ(plant.angle, 1.0f + 3.6f * 1.08f);
    plant.update(Pi);
    EXPECT_NEAR(plant.angle, 1.0f, 1e-5);
}

TEST(SineUpdate, ANegativeScaleSwingsToTheOtherSideOfMin)
{
    auto plant = sprite<rotated_sprite<sine_update>>();
    plant.minAngle = 3.0f;
    plant.maxAngle = 7.8f;
    plant.swingScale = -1.11f;
    float lowest = 100.0f, highest = -100.0f;
    for (int i = 0; i < 700; ++i) {
        plant.update(0.01);
        lowest = std::min(lowest, plant.angle);
        highest = std::max(highest, plant.angle);
    }
    EXPECT_NEAR(highest, 3.0f, 1e-3);
    EXPECT_NEAR(lowest, -2.328f, 1e-3);
}

TEST(SineUpdate, AfterADayOfFramesAFrameStillMovesThePhaseByItsTime)
{
    // A phase that only grew as a float would move in steps of 1/128 rad by then.
    auto plant = sprite<rotated_sprite<sine_update>>();
    plant.minAngle = 0.0f;
    plant.maxAngle = 1.0f;
    plant.swingScale = 1.0f;
    const double frame = 1.0 / 60;
    for (long i = 0; i < 24L * 3600 * 60; ++i)
        plant.update(frame);
    for (int i = 0; i < 10; ++i) {
        const float before = plant.phase;
        plant.update(frame);
        const double moved = std::remainder(double(plant.phase) - before, 2 * Pi);
        EXPECT_NEAR(moved, frame, frame * 0.01);
    }
}

TEST(BlendedAnimationSprite, TwoSpritesAdvanceOneSharedSequencePosition)
{
    blended_animation_sprite::sequencePosition = 0;
    auto a = sprite<blended_animation_sprite>();
    auto b = sprite<blended_animation_sprite>();
    for (auto* s : {&a, &b}) {
        s->sequence = {0, 1, 2};
        s->fadeTime = 2.0f;
    }
    EXPECT_EQ(a.fromFrame, 0u);
    EXPECT_EQ(a.toFrame, 0u);
    a.update(1.0);
    EXPECT_EQ(a.blend, 0.5f);
    a.update(1.0);  // blend exactly 1: not past the threshold
    EXPECT_EQ(a.blend, 1.0f);
    EXPECT_EQ(blended_animation_sprite::sequencePosition, 0u);
    a.update(0.1);
    EXPECT_EQ(a.blend, 0.0f);
    EXPECT_EQ(blended_animation_sprite::sequencePosition, 1u);
    EXPECT_EQ(a.fromFrame, 1u);
    EXPECT_EQ(a.toFrame, 2u);

    b.update(2.5);
    EXPECT_EQ(blended_animation_sprite::sequencePosition, 2u);
    EXPECT_EQ(b.fromFrame, 2u);
    EXPECT_EQ(b.toFrame, 0u);
    a.update(2.5);
    EXPECT_EQ(blended_animation_sprite::sequencePosition, 0u);
    EXPECT_EQ(a.fromFrame, 0u);
    EXPECT_EQ(a.toFrame, 1u);
}

TEST(BlendedAnimationSprite, EveryCrossFadeStartsWhereTheOneBeforeEndedTheFirstToo)
{
    blended_animation_sprite::sequencePosition = 0;
    auto lights = sprite<blended_animation_sprite>();
    lights.setSequence({2, 0, 1});
    lights.fadeTime = 2.0f;
    EXPECT_EQ(lights.fromFrame, 2u);
    EXPECT_EQ(lights.toFrame, 0u);
    for (int fade = 0; fade < 6; ++fade) {
        const unsigned reached = lights.toFrame;
        lights.update(2.1);
        EXPECT_EQ(lights.fromFrame, reached) << fade;
        EXPECT_NE(lights.toFrame, reached) << fade;
    }

    // A sequence set later follows the shared position.
    blended_animation_sprite::sequencePosition = 2;
    auto late = sprite<blended_animation_sprite>();
    late.setSequence({0, 1, 2});
    EXPECT_EQ(late.fromFrame, 2u);
    EXPECT_EQ(late.toFrame, 0u);
    late.setSequence({});
    EXPECT_TRUE(late.sequence.empty());
}

TEST(BlendedAnimationSprite, AnEmptySequenceNeverStepsAndNeverFails)
{
    blended_animation_sprite::sequencePosition = 0;
    auto lights = sprite<blended_animation_sprite>();
    lights.fadeTime = 2.0f;
    for (int i = 0; i < 5; ++i)
        lights.update(3.0);
    EXPECT_EQ(blended_animation_sprite::sequencePosition, 0u);
    EXPECT_EQ(lights.fromFrame, 0u);
    EXPECT_EQ(lights.blend, 0.0f);
}

namespace {

struct Woodpecker : Sprite<animated_sprite> {
    Woodpecker() : Sprite(PointF{0.0f, 0.0f}, PointF{1.0f, 1.0f}, Point(), &Screen)
    {
        sequence = {0, 1, 2, 1};
        frameTime = 0.02f;
        burstTime = 1.3f;
        idleTime = 8.0f;
        burstStarted.connect([this] { ++bursts; });
    }
    int bursts = 0;
};

} // namespace

TEST(AnimatedSprite, FirstBurstAfterExactlyIdleTimeThenStopsOnTheFirstFrame)
{
    animated_sprite::sequencePosition = 0;
    Woodpecker bird;
    bird.update(8.0);
    EXPECT_TRUE(bird.idle);
    EXPECT_EQ(bird.bursts, 0);
    bird.update(0.0);
    EXPECT_EQ(bird.bursts, 0);
    bird.update(0.001);
    EXPECT_FALSE(bird.idle);
    EXPECT_EQ(bird.bursts, 1);
    EXPECT_EQ(bird.currentFrame, 0u);

    // A frame time reached exactly does not step.
    bird.update(0.02);
    EXPECT_EQ(bird.currentFrame, 0u);
    bird.update(0.001);
    EXPECT_EQ(bird.currentFrame, 1u);

    std::vector<unsigned> shown{bird.currentFrame};
    double burst = 0.021;
    while (!bird.idle && burst < 5.0) {
        bird.update(0.03);
        burst += 0.03;
        shown.push_back(bird.currentFrame);
    }
    EXPECT_TRUE(bird.idle);
    EXPECT_GE(burst, 1.3);
    EXPECT_LT(burst, 1.3 + 4 * 0.03);
    EXPECT_EQ(bird.currentFrame, 0u);
    EXPECT_EQ(bird.bursts, 1);
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], (std::vector<unsigned>{1, 2, 1, 0})[i % 4]) << i;

    // Resting shows the first frame and emits nothing.
    for (int i = 0; i < 7; ++i)
        bird.update(1.0);
    EXPECT_EQ(bird.bursts, 1);
    EXPECT_EQ(bird.currentFrame, 0u);
}

TEST(AnimatedSprite, LaterRestsAddARandomExtraBelowIdleTime)
{
    animated_sprite::sequencePosition = 0;
    Woodpecker bird;
    std::srand(42);
    const float extra = static_cast<float>(std::fmod(static_cast<double>(std::rand()), 8.0));
    std::srand(42);
    bird.update(8.01);
    ASSERT_EQ(bird.bursts, 1);
    EXPECT_EQ(bird.extraIdle, extra);

    std::vector<double> starts{0.0};
    double now = 0.0;
    while (starts.size() < 6 && now < 200.0) {
        const int before = bird.bursts;
        bird.update(0.05);
        now += 0.05;
        if (bird.bursts != before)
            starts.push_back(now);
    }
    ASSERT_EQ(starts.size(), 6u);
    for (std::size_t i = 1; i < starts.size(); ++i) {
        // A burst of at least 1.3 s, then a rest of 8 s up to (not including) 16 s.
        EXPECT_GE(starts[i] - starts[i - 1], 1.3 + 8.0);
        EXPECT_LT(starts[i] - starts[i - 1], 1.3 + 16.0 + 0.3);
    }
}

TEST(AnimatedSprite, TheExtraRestsSpreadOverTheWholeIdleTime)
{
    // With rand() up to 2^31 a float remainder would be 0 every time.
    animated_sprite::sequencePosition = 0;
    Woodpecker bird;
    std::srand(1);
    std::set<float> extras;
    for (int burst = 0; burst < 40; ++burst) {
        bird.update(100.0);  // ends any rest
        ASSERT_FALSE(bird.idle);
        extras.insert(bird.extraIdle);
        for (int i = 0; i < 200 && !bird.idle; ++i)
            bird.update(0.03);
        ASSERT_TRUE(bird.idle);
    }
    EXPECT_GE(extras.size(), 5u);
    EXPECT_GE(*extras.begin(), 0.0f);
    EXPECT_LT(*extras.rbegin(), 8.0f);
}

TEST(AnimatedSprite, SeedsTheRandomGeneratorWithTheTimeAtEveryConstruction)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::srand(7);
        const std::time_t before = std::time(nullptr);
        Woodpecker bird;
        const int drawn = std::rand();
        if (std::time(nullptr) != before)
            continue;  // the second turned over meanwhile
        std::srand(static_cast<unsigned>(before));
        EXPECT_EQ(drawn, std::rand());
        return;
    }
    FAIL() << "the clock kept turning over";
}

TEST(AnimatedSprite, WithoutSequenceOrFramesABurstStillEnds)
{
    animated_sprite::sequencePosition = 0;
    auto bird = sprite<animated_sprite>();
    bird.frameTime = 0.02f;
    bird.burstTime = 0.1f;
    bird.idleTime = 0.5f;
    bird.update(0.6);
    EXPECT_FALSE(bird.idle);
    for (int i = 0; i < 10 && !bird.idle; ++i)
        bird.update(0.03);
    EXPECT_TRUE(bird.idle);
    EXPECT_GE(bird.burstTimer, 0.1f);
    EXPECT_EQ(bird.currentFrame, 0u);

    // An idle time of 0 gives no extra rest rather than one that never ends.
    bird.idleTime = 0.0f;
    bird.update(0.6);
    EXPECT_FALSE(bird.idle);
    EXPECT_EQ(bird.extraIdle, 0.0f);
    for (int i = 0; i < 10 && !bird.idle; ++i)
        bird.update(0.03);
    ASSERT_TRUE(bird.idle);
    bird.update(0.01);
    EXPECT_FALSE(bird.idle);
}
