#pragma once
#include "base/Types.h"
#include "engine/FramePacer.h"
#include "engine/FramePlan.h"
#include "platform/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace System {
class Font;
class QuadSink;
class Texture;

// The OpenGL rendering context on the display window and the few drawing operations the engine
// uses. 2D coordinates are pixels of the drawing size, origin top-left, y downwards.
class GLDriver {
public:
    GLDriver(int width, int height, int depth);

    // Pixel format, context, extension report, start-up GL state. Throws Exception.
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
    int frameCeiling() const { return pacer.ceiling(); }
    // Benchmarks switch the ceiling's waiting off (true again restores it).
    void setSwapPacing(bool on) { pacer.setEnabled(on); }
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

    // For benchmarks. setCoveredDrawing(false) draws every textured quad whole instead of over its
    // covered cells only. While a sink is set (QuadSink.h), drawQuad hands it each quad instead of
    // drawing it.
    void setCoveredDrawing(bool on) { coveredDrawing = on; }
    void setQuadSink(QuadSink* sink)
    {
        flush();
        quadSink = sink;
    }

    // Frame planning, on unless switched off (one switch for the process, read by each frame and by
    // the display window when it picks its visual). While a frame is planned (from beginFrame to
    // swapBuffers) textured quads are queued and drawn together at the next other drawing operation:
    // each only over the screen tiles where it can change a pixel and that no later opaque quad of the
    // batch covers, and with blending off where it is opaque itself. The pixels are those of drawing
    // every quad at once. The 2D engine never tests depth, so a planned window needs no depth buffer
    // (which keeps Mesa's software renderer on its fast path for unblended spans).
    static void setFramePlanning(bool on);
    static bool framePlanning();
    // The tile cache of planned frames, on unless switched off (read by each frame). Where the lower
    // quads of a tile have not changed for a while, their composite is copied from the frame into a
    // texture once and drawn from there in later frames, one unblended copy instead of every layer.
    // The pixels are exactly those of drawing every quad.
    static void setFrameCache(bool on);
    // The tile cache's copy drawn by a fragment program of one texture read, on unless switched off
    // (read when a cache starts). Mesa's software renderer draws such a copy along its scanline fast
    // path; fixed-function texturing keeps it on the general one. Same pixels either way.
    static void setCopyProgram(bool on);
    // The plan's quads drawn by a fragment program of one texture read and one multiply (what
    // fixed-function GL_MODULATE computes), on unless switched off (read by each plan). Mesa's software
    // renderer draws it faster: fixed-function texturing divides every coordinate by q. Same pixels.
    static void setQuadProgram(bool on);
    // Draws whatever the plan holds now (reading pixels in between needs it).
    void flush();

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
    void leave2DState();
    bool plannable(const Texture* texture) const;
    void quad(const Types::Rect& rect, float s0, float t0, float s1, float t1);
    bool coveredQuads(const Types::Rect& rect, const Texture& texture);
    void log(const std::string& message);
    void queue(const Types::Rect& rect, Texture* texture, const float colour[4]);
    void drawPlan();

    struct PlannedQuad : PlanQuad {
        const Texture* texture;
        unsigned int glName;
    };
    void drawTiles(const std::uint8_t* mask, std::uint8_t want, const Types::Rect& rect);
    bool prepareCache(std::size_t tiles);
    void noteChanges(std::size_t tiles);
    void planCache(std::size_t tiles);
    void drawCached(const std::uint8_t* mask);
    void fillCache(const std::uint8_t* mask, std::uint8_t want);
    void preparePrograms();
    unsigned int copyProgram();
    unsigned int quadProgram();
    void useProgram(unsigned int program);

    bool multitexture = false;
    Platform::DeviceContext deviceContext = nullptr;
    Platform::GLContextHandle context = nullptr;
    std::int32_t depth;
    std::int32_t width;
    std::int32_t height;
    bool wireframe = false;
    std::int32_t mode2D = 2;
    bool coveredDrawing = true;
    bool partialView = false;  // setView: clearColour keeps to the view
    std::int32_t view[4] = {0, 0, 0, 0};  // GL window coordinates: x, y from the bottom, width, height
    QuadSink* quadSink = nullptr;
    FramePacer pacer;

    // The frame plan; every store is sized once (and again only when the viewport grows), so a
    // planned frame allocates nothing.
    bool planning = false;
    std::vector<PlannedQuad> planned;
    FramePlan plan;
    std::vector<std::uint8_t> tileCover, tileOpaque;
    int viewport[4] = {0, 0, 0, 0};

    // The tile cache: a texture of the viewport's size holding, for each tile, the composite of the
    // plan's quads below depth[t] (0: nothing held). A quad that differs from the one at its place in
    // the last plan empties every tile it covered then or covers now and whose copy holds it; a tile
    // is filled (copied right after the quad below its new depth is drawn) up to the first quad drawn
    // there that has changed within the last frames. Only a frame's first plan takes part: every later plan of
    // the frame draws over it unchanged.
    struct Cache {
        unsigned int texture = 0;
        int textureWidth = 0, textureHeight = 0;
        int viewport[4] = {0, 0, 0, 0};
        int drawing[2] = {0, 0};  // the drawing size mapped onto that viewport
        unsigned generation = 0;  // uploads seen when the cache was started
        long frame = 0;           // planned frames so far
        bool firstPlan = false;   // the next plan is the frame's first
        bool filling = false;     // some tile of this plan is copied (most frames: none)
        std::vector<std::uint8_t> depth, fillAt, use;
        std::vector<PlannedQuad> last;          // the last first-plan's quads
        std::vector<std::uint8_t> lastCover;    // and the tiles each covered
        std::vector<long> changed;              // per place in the plan: the frame it last changed
        std::vector<int> hidden;                // per tile: the topmost quad opaque there, or -1
        bool askedBgra = false;                 // the texture was asked for in BGRA order
        bool bgra = false;                      // and keeps it
        bool useProgram = false;                // this cache draws its copy by fragment program
        bool started = false;                   // a cache was started in this context
    } cache;
    // The fragment programs of this context (0: none), built at the first asking.
    struct Programs {
        unsigned int copy = 0, quads = 0;
        bool tried = false;
        void* bind = nullptr;   // glBindProgramARB
        int quadsLogged = -1;   // the choice for the quads last logged: 1 program, 0 fixed function
    } programs;
    unsigned uploads = 0;  // bumped by every upload: a texture's name may then show new pixels
};

} // namespace System
