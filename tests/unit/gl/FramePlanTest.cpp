// Planned frames of the forest against frames drawn quad by quad, and the heap in the steady state.
#include "engine/ExtensionLoader.h"
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"
#include "LogCapture.h"
#include "engine/Timer.h"
#include "platform/Clock.h"
#include "scene/Forest.h"
#include "scene/policies/AnimatedSprite.h"
#include "scene/policies/BlendedAnimationSprite.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {

// Every operator new of this process is counted while a test asks for it (this thread only).
thread_local bool g_counting = false;
std::atomic<long> g_allocations{0};

} // namespace

// The replacements pair malloc with free themselves; the compiler cannot see that across them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    if (g_counting)
        ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace System;

namespace {

constexpr int Width = 960, Height = 540;
constexpr std::int64_t Frequency = 1000000;

// A window of its own (the visual follows the planning switch), a fixed clock, and the forest built
// from the same state every time.
class PlannedForest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::setCounterOverride(Platform::CounterOverride{
            [](std::int64_t& f) {
                f = Frequency;
                return true;
            },
            [this] { return counter; }});
        Platform::setLocalTimeOverride([] {
            Platform::LocalTime t;
            t.year = 2026, t.month = 12, t.day = 8, t.hour = 21, t.minute = 5, t.second = 9;
            return t;
        });
        window = std::make_unique<GLWindow>("t", Width, Height, 32, false);
        ASSERT_TRUE(window->create());
        window->show();
        driver = std::make_unique<GLDriver>(Width, Height, 32);
        driver->start(window->deviceContext());
        driver->setViewport(Width, Height);
    }
    void TearDown() override
    {
        forest.reset();
        if (driver)
            driver->releaseContext();
        if (window)
            window->shutdown();
        Platform::setCounterOverride({});
        Platform::setLocalTimeOverride({});
    }

    void build()
    {
        forest.reset();
        blended_animation_sprite::sequencePosition = 0;
        animated_sprite::sequencePosition = 0;
        forest = std::make_unique<Windows::Forest>(0, 0, Width, Height);
        forest->prepare(*driver);
        std::srand(7);
        Timer::instance().mark();
    }

    // One frame as the engine draws it, time stepping by `step` seconds.
    void frame(double step)
    {
        driver->beginFrame();
        counter += std::int64_t(step * Frequency);
        Timer& timer = Timer::instance();
        timer.update();
        const double dt = timer.elapsed();
        forest->update(dt);
        timer.mark();
        forest->render(*driver);
        driver->flush();
    }

    std::vector<unsigned char> pixels()
    {
        std::vector<unsigned char> out(std::size_t(Width) * Height * 4);
        glFinish();
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, Width, Height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    }

    // The same frames (fixed clock, fixed steps through the light cross-fades, the deer's nods, the
    // rabbit's hops and a woodpecker burst): every second, and densely while the woodpecker pecks
    // (after 8 s of rest).
    // With a frame, the scene is laid out in it as for a view that shows a crop of it.
    std::vector<std::vector<unsigned char>> shoot(bool planned, bool cached, const Rect* crop = nullptr)
    {
        driver->options().framePlanning = planned;
        driver->options().frameCache = cached;
        build();
        if (crop)
            forest->layOut(*crop, Rect{0, 0, Width, Height});
        std::vector<std::vector<unsigned char>> shots;
        for (int i = 1; i <= 290; ++i) {
            frame(1.0 / 30.0);
            if (i % 30 == 1 || (i > 240 && i < 285 && i % 3 == 0))
                shots.push_back(pixels());
            driver->swapBuffers();
        }
        return shots;
    }

    // The largest difference of any channel between two series of shots, shot by shot.
    static void expectAtMost(int most, const std::vector<std::vector<unsigned char>>& a,
                             const std::vector<std::vector<unsigned char>>& b)
    {
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t s = 0; s < a.size(); ++s) {
            int worst = 0;
            long differing = 0;
            int x0 = Width, y0 = Height, x1 = -1, y1 = -1;
            for (std::size_t i = 0; i < a[s].size(); i += 4) {
                const int x = int(i / 4) % Width, y = Height - 1 - int(i / 4) / Width;
                bool differs = false;
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs(int(a[s][i + c]) - int(b[s][i + c]));
                    worst = std::max(worst, d);
                    differs = differs || d != 0;
                }
                differing += differs;
                if (differs) {
                    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                }
            }
            EXPECT_LE(worst, most) << "shot " << s << ": " << differing << " pixels differ, within (" << x0 << ", "
                                   << y0 << ") to (" << x1 << ", " << y1 << ")";
        }
    }

    std::int64_t counter = 0;
    std::unique_ptr<GLWindow> window;
    std::unique_ptr<GLDriver> driver;
    std::unique_ptr<Windows::Forest> forest;
};

} // namespace

// Planned frames (tile cache on) differ from frames drawn quad by quad by at most one level in any
// channel; the cache and the fragment programs change no pixel at all.
TEST_F(PlannedForest, FramesMatchFramesDrawnQuadByQuad)
{
    LogCapture log;
    const auto cached = shoot(true, true);
    if (ExtensionLoader::found("GL_ARB_fragment_program")) {
        EXPECT_TRUE(log.contains("[GL] Tile cache copies by fragment program\n"));
        EXPECT_TRUE(log.contains("[GL] Planned quads drawn by fragment program\n"));
    }
    const auto planned = shoot(true, false);
    const auto whole = shoot(false, false);
    expectAtMost(1, cached, whole);
    expectAtMost(0, cached, planned);

    // The copy drawn by fixed function: the same pixels again.
    driver->options().copyProgram = false;
    const auto fixedCopy = shoot(true, true);
    driver->options().copyProgram = true;
    EXPECT_TRUE(log.contains("[GL] Tile cache copies by fixed function\n"));
    expectAtMost(0, fixedCopy, planned);

    // The quads drawn by fixed function: the same pixels again.
    driver->options().quadProgram = false;
    const auto fixedQuads = shoot(true, false);
    driver->options().quadProgram = true;
    EXPECT_TRUE(log.contains("[GL] Planned quads drawn by fixed function\n"));
    expectAtMost(0, fixedQuads, planned);
}

// A crop: every full-screen layer reaches past all four edges of the window. Planned and cached frames
// still hold to frames drawn quad by quad, and the cache to planning alone.
TEST_F(PlannedForest, CroppedFramesMatchFramesDrawnQuadByQuad)
{
    const Rect crop{-120, -90, 1200, 720};
    const auto cached = shoot(true, true, &crop);
    const auto planned = shoot(true, false, &crop);
    const auto whole = shoot(false, false, &crop);
    expectAtMost(1, cached, whole);
    expectAtMost(0, cached, planned);
    // And the crop is what is drawn: not the frame laid out over the window.
    const auto uncropped = shoot(false, false);
    ASSERT_EQ(uncropped.size(), whole.size());
    EXPECT_NE(uncropped.front(), whole.front());
}

// A frame in the steady state allocates nothing: 100 frames after the first second (by then the
// tile cache has settled and the driver has built its state for each kind of draw).
TEST_F(PlannedForest, SteadyFramesAllocateNothing)
{
    driver->options().framePlanning = true;
    build();
    for (int i = 0; i < 60; ++i) {
        frame(1.0 / 60.0);
        driver->swapBuffers();
    }
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < 100; ++i) {
        frame(1.0 / 60.0);
        driver->swapBuffers();
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
}
