#pragma once
// A real window with a started driver, read back pixel by pixel in the driver's 2D coordinates
// (origin top-left, y downwards).
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

struct Pixel {
    int r = 0, g = 0, b = 0;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p)
{
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

const Pixel Black{0, 0, 0}, Red{255, 0, 0}, Green{0, 255, 0};

struct DrawingSurface {
    static constexpr int Size = 256;

    DrawingSurface() : window("t", Size, Size, 32, false), driver(Size, Size, 32)
    {
        ready = window.create();
        if (!ready)
            return;
        window.show();
        driver.start(window.deviceContext());
        driver.setViewport(Size, Size);
    }
    ~DrawingSurface()
    {
        driver.releaseContext();
        window.shutdown();
    }

    void clear()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    Pixel at(int x, int y)
    {
        unsigned char rgba[4] = {};
        glFinish();
        glReadBuffer(GL_BACK);
        glReadPixels(x, Size - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Pixel{rgba[0], rgba[1], rgba[2]};
    }

    System::GLWindow window;
    System::GLDriver driver;
    bool ready = false;
};

// A suite whose tests share one surface, cleared before each test.
class SurfaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { surface = std::make_unique<DrawingSurface>(); }
    static void TearDownTestSuite() { surface.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(surface->ready);
        surface->clear();
    }
    Pixel at(int x, int y) { return surface->at(x, y); }

    static inline std::unique_ptr<DrawingSurface> surface;
};
