#pragma once
#include "base/Types.h"
#include "platform/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace System {
class Font;
class Texture;

// The OpenGL rendering context on the display window and the few drawing operations the engine
// uses. 2D coordinates are pixels of the drawing size, origin top-left, y downwards.
class GLDriver {
public:
    GLDriver(int width, int height, int depth);

    // Pixel format, context, extension report, start-up GL state. Throws Exception.
    void start(Platform::DeviceContext dc);
    void setViewport(int w, int h);
    void enableLighting();
    void beginFrame();
    void clearColour();
    void begin2D();
    void begin2DAdditive();
    void end2D();

    void drawOutline(const Types::Rect& rect, Types::Colour32 colour);
    void drawQuad(const Types::Rect& rect, Texture* texture);
    void drawQuad(const Types::Rect& rect, Texture* texture, Types::Colour32 colour);
    void drawQuad(const Types::Rect& rect, Texture* texture, const Types::Colour& colour);

    void swapBuffers();
    void releaseContext();
    // "false", "0", "no" turn wireframe off; "true", "1", "yes" on; anything else throws
    // Exception "Invalid parameter - <argument>".
    void setWireframe(const std::string& argument);

    // Creates the GL texture and sends its pixels; does nothing for a texture without pixels. Throws
    // Exception for sides that are not powers of two of at least 4, or a store shorter than the picture.
    void upload(Texture& texture);
    // Reports a pending GL error naming the texture; returns the error code (0 for none).
    unsigned int checkError(Texture& texture);

    // Uploads the font's picture (its Exception leaves no lists) and compiles 256 new glyph lists;
    // earlier lists of the font are not released.
    void buildFont(Font& font);
    // The text's top-left corner at (x, y) pixels whatever the font's scale, blended additively (black
    // adds nothing), in the current colour; at most the first 999 bytes, each one a glyph.
    void drawText(float x, float y, Font& font, const std::string& text);
    // Sets the colour and draws; an empty text changes nothing at all.
    void drawColouredText(float x, float y, float r, float g, float b, float a, Font& font,
                          const std::string& text);

    // For benchmarks. setCoveredDrawing(false) draws every textured quad whole instead of over its
    // covered cells only. While a recorder is set, drawQuad records each quad (the model-view matrix,
    // the rectangle, the texture's GL name or 0, the current colour) instead of drawing it.
    struct RecordedQuad {
        float matrix[16];
        Types::Rect rect;
        unsigned int texture;
        float colour[4];
    };
    void setCoveredDrawing(bool on) { coveredDrawing = on; }
    void setQuadRecorder(std::vector<RecordedQuad>* into) { recorder = into; }

    bool getMultitexture() const { return multitexture; }
    bool getWireframe() const { return wireframe; }
    std::int32_t getMode2D() const { return mode2D; }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    std::int32_t getDepth() const { return depth; }
    Platform::GLContextHandle getContext() const { return context; }

private:
    void enter2D(bool additive);
    void leave2D();
    void quad(const Types::Rect& rect, float s0, float t0, float s1, float t1);
    bool coveredQuads(const Types::Rect& rect, const Texture& texture);
    void log(const std::string& message);

    bool multitexture = false;
    Platform::DeviceContext deviceContext = nullptr;
    Platform::GLContextHandle context = nullptr;
    std::int32_t depth;
    std::int32_t width;
    std::int32_t height;
    bool wireframe = false;
    std::int32_t mode2D = 2;
    bool coveredDrawing = true;
    std::vector<RecordedQuad>* recorder = nullptr;
};

} // namespace System
