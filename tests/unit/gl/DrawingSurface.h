#pragma once
// A real window with a started driver, and pixel read-back in the driver's 2D coordinates
// (origin top-left, y downwards).
#include "engine/GLDriver.h"
#include "engine/GLWindow.h"

#include <GL/gl.h>

#include <memory>
#include <ostream>

struct Pixel {
    int r = 0, g = 0, b = 0;
    bool operator==(const Pixel& other) const { return r == other.r && g == other.g && b == other.b; }
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p)
{
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

class DrawingSurface {
public:
    static constexpr int Size = 256;

    DrawingSurface() : window("t", Size, Size, 32, false), driver(Size, Size, 32)
    {
        created = window.create();
        if (!created)
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

    bool ready() const { return created; }

    void clear()
    {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    Pixel at(int x, int y)
    {
        glFinish();
        unsigned char rgba[4] = {};
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, Size - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Pixel{rgba[0], rgba[1], rgba[2]};
    }

    System::GLWindow window;
    System::GLDriver driver;

private:
    bool created = false;
};
