#pragma once
#include "base/Types.h"
#include "engine/DrawingOptions.h"
#include "engine/GLContext.h"
#include "engine/QuadPlanner.h"
#include "platform/GLContext.h"
#include "platform/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace System {
class Font;
class QuadSink;
class Texture;

// The few drawing operations the engine uses, in its 2D state, over the OpenGL context on the display
// window (GLContext.h). Planned frames go through the quad planner (QuadPlanner.h), which draws
// through the tile cache and the fragment programs where it can. 2D coordinates are pixels of the
// drawing size, origin top-left, y downwards.
class GLDriver {
public:
    GLDriver(int width, int height, int depth);

    // What the display window and its context are made for: the depth buffer is asked for only
    // where frames are not planned (DrawingOptions). The one place that choice is made.
    static Platform::ContextWishes contextWishesFor(int depth, const DrawingOptions& options);
    Platform::ContextWishes getContextWishes() const { return contextWishesFor(depth, drawing); }
    // The context for getContextWishes(), extension report, start-up GL state. Throws Exception.
    void start(Platform::DeviceContext dc);
    void setViewport(int w, int h);
    // Draws into one part of a larger surface from now on: view is in surface pixels (origin
    // top-left) on a surface of surfaceWidth x surfaceHeight. The 2D coordinates stay those of the
    // drawing size, scaled into the view; clearColour clears the view only.
    void setView(const Types::Rect& view, int surfaceWidth, int surfaceHeight);
    // The drawing size from now on (the constructor's until then): a view that shows the scene cropped
    // or laid out at a shape of its own draws in its own pixels.
    void setDrawingSize(int w, int h);
    // Clears the colour of the whole surface, whatever the view.
    void clearSurface();
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

    // Shows the frame, then keeps to the frame ceiling (logged by start).
    void swapBuffers();
    int getFrameCeiling() const { return glContext.getFrameCeiling(); }
    // Benchmarks switch the ceiling's waiting off (true again restores it).
    void setSwapPacing(bool on) { glContext.setPacing(on); }
    // Running on battery holds the ceiling to the software renderer's; the log says when it changes.
    void setOnBattery(bool onBattery);
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

    // The ways of drawing (DrawingOptions.h), for benchmarks and tests. Frame planning also decides
    // getContextWishes(), so it is set before the window is made where the depth buffer matters.
    DrawingOptions& options() { return drawing; }
    // While a sink is set (QuadSink.h), drawQuad hands it each quad instead of drawing it.
    void setQuadSink(QuadSink* sink)
    {
        flush();
        quadSink = sink;
    }
    // Draws whatever the plan holds now (reading pixels in between needs it).
    void flush();

    bool getMultitexture() const { return multitexture; }
    bool getWireframe() const { return wireframe; }
    std::int32_t getMode2D() const { return static_cast<std::int32_t>(mode2D); }
    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    std::int32_t getDepth() const { return depth; }
    Platform::GLContextHandle getContext() const { return glContext.getHandle(); }

private:
    // The 2D state between and within drawing operations.
    enum class Mode2D : std::int32_t {
        Ended = 0,    // after end2D
        Pushed = 1,   // the 2D state is pushed
        Between = 2,  // after construction and after every drawing operation
    };

    void enter2D(bool additive);
    void leave2D();
    void leave2DState();
    bool plannable(const Texture* texture) const;
    bool coveredQuads(const Types::Rect& rect, const Texture& texture);
    void log(const std::string& message);
    void queue(const Types::Rect& rect, Texture* texture, const float colour[4]);

    GLContext glContext;
    bool multitexture = false;
    std::int32_t depth;
    std::int32_t width;
    std::int32_t height;
    bool wireframe = false;
    Mode2D mode2D = Mode2D::Between;
    bool partialView = false;  // setView: clearColour keeps to the view
    std::int32_t view[4] = {0, 0, 0, 0};  // GL window coordinates: x, y from the bottom, width, height
    QuadSink* quadSink = nullptr;
    DrawingOptions drawing;
    bool planning = false;  // from beginFrame to swapBuffers
    QuadPlanner planner;
    unsigned uploads = 0;  // bumped by every upload: a texture's name may then show new pixels
};

} // namespace System
