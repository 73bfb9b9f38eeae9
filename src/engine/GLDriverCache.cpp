// The tile cache of planned frames. Most of a forest frame repeats the last one: the lower layers of
// a tile are the same pictures at the same places. Once a tile's lower quads have stood still for a
// few frames, the pixels they leave are copied from the frame into a texture (glCopyTexSubImage2D,
// OpenGL 1.1) and later frames draw that copy, unblended and texel for texel, instead of the layers.
// The copy holds exactly the pixels the layers drew, so the frame is unchanged to the last bit.
//
// Where the driver offers fragment programs, the copy is drawn by a one-instruction program from a
// texture in the window's BGRA byte order. Mesa's software renderer then takes its scanline path for
// it (a texel-for-texel draw at a fraction of the cost); fixed-function texturing never qualifies, as
// it always divides the coordinates by q. The texels copied are the same either way.
#include "engine/ExtensionLoader.h"
#include "engine/GLDriver.h"
#include "engine/FramePlan.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there

#include <algorithm>
#include <cstring>
#include <string>

namespace System {

namespace {

// Frames a quad must stay unchanged before the tiles under it are copied up to it: a sprite that
// pauses between its moves keeps being drawn live rather than copied at every pause.
constexpr long SettleFrames = 15;

bool g_frameCache = true;

int nextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

bool nonPowerOfTwoTextures()
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return (version && version[0] >= '2' && version[0] <= '9' && version[1] == '.') ||
           ExtensionLoader::queryExtension("GL_ARB_texture_non_power_of_two", extensions);
}

// Whether the bound texture's base level keeps eight bits per colour channel and alpha.
bool eightBitChannels()
{
    const GLenum sizes[] = {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE, GL_TEXTURE_ALPHA_SIZE};
    for (GLenum size : sizes) {
        GLint bits = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, size, &bits);
        if (bits < 8)
            return false;
    }
    return true;
}

} // namespace

void GLDriver::setFrameCache(bool on)
{
    g_frameCache = on;
}

// The cache for this viewport: a new one when the viewport or any texture changed since it was
// started. False when the cache is off or the driver cannot hold a texture of the viewport's size.
bool GLDriver::prepareCache(std::size_t tiles)
{
    if (!g_frameCache || viewport[2] <= 0 || viewport[3] <= 0)
        return false;
    // The same quads land on other pixels when another drawing size is mapped onto the viewport.
    const bool sameDrawing = cache.drawing[0] == width && cache.drawing[1] == height;
    if (cache.texture && std::equal(viewport, viewport + 4, cache.viewport) && sameDrawing &&
        cache.generation == uploads && cache.depth.size() == tiles)
        return true;

    int width = viewport[2], height = viewport[3];
    if (!nonPowerOfTwoTextures()) {
        width = nextPowerOfTwo(width);
        height = nextPowerOfTwo(height);
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (width > largest || height > largest)
        return false;
    while (glGetError() != GL_NO_ERROR) {
    }
    const bool program = copyProgram() != 0;
    // A driver picks the layout of an unsized format from the pixels it is given (BGRA: the window's
    // own order), but may also pick fewer bits: the copy needs eight per channel.
    const bool askBgra = program && (ExtensionLoader::version12() || ExtensionLoader::found("GL_EXT_bgra"));
    if (!cache.texture || cache.textureWidth != width || cache.textureHeight != height ||
        cache.askedBgra != askBgra) {
        bool bgra = askBgra;
        if (cache.texture)
            glDeleteTextures(1, &cache.texture);
        glGenTextures(1, &cache.texture);
        glBindTexture(GL_TEXTURE_2D, cache.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        if (bgra)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, nullptr);
        if (bgra && !eightBitChannels())
            bgra = false;
        if (!bgra)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glGetError() != GL_NO_ERROR) {
            glDeleteTextures(1, &cache.texture);
            cache.texture = 0;
            return false;
        }
        cache.textureWidth = width;
        cache.textureHeight = height;
        cache.askedBgra = askBgra;
        cache.bgra = bgra;
    }
    if (program != cache.useProgram || !cache.started) {
        log(std::string("Tile cache copies by ") + (program ? "fragment program" : "fixed function") +
            (program && !cache.bgra ? " (RGBA texture)" : ""));
    }
    cache.useProgram = program;
    cache.started = true;
    std::copy(viewport, viewport + 4, cache.viewport);
    cache.drawing[0] = this->width;
    cache.drawing[1] = this->height;
    cache.generation = uploads;
    cache.depth.assign(tiles, 0);
    cache.fillAt.assign(tiles, 0);
    cache.use.assign(tiles, 0);
    cache.hidden.assign(tiles, -1);
    cache.last.reserve(PlanCapacity);
    cache.last.clear();
    cache.lastCover.resize(PlanCapacity * tiles);
    cache.changed.assign(PlanCapacity, cache.frame);
    return true;
}

// Every quad that differs from the one at its place in the last plan (or is new there, or gone)
// spoils the copy of each tile it covered then or covers now, where the copy holds it.
void GLDriver::noteChanges(std::size_t tiles)
{
    const std::size_t count = planned.size(), before = cache.last.size();
    auto same = [](const PlannedQuad& a, const PlannedQuad& b) {
        return a.texture == b.texture && a.glName == b.glName && a.rect.x == b.rect.x && a.rect.y == b.rect.y &&
               a.rect.width == b.rect.width && a.rect.height == b.rect.height &&
               std::equal(a.colour, a.colour + 4, b.colour) && std::equal(a.matrix, a.matrix + 16, b.matrix);
    };
    for (std::size_t i = 0; i < std::max(count, before); ++i) {
        if (i < count && i < before && same(planned[i], cache.last[i]))
            continue;
        if (i < count)
            cache.changed[i] = cache.frame;
        const std::uint8_t* now = i < count ? &tileCover[i * tiles] : nullptr;
        const std::uint8_t* then = i < before ? &cache.lastCover[i * tiles] : nullptr;
        for (std::size_t t = 0; t < tiles; ++t)
            if (cache.depth[t] > i && ((now && now[t]) || (then && then[t])))
                cache.depth[t] = 0;
    }
    for (std::size_t t = 0; t < tiles; ++t)
        cache.depth[t] = std::uint8_t(std::min<std::size_t>(cache.depth[t], count));
    cache.last.assign(planned.begin(), planned.end());
    std::memcpy(cache.lastCover.data(), tileCover.data(), count * tiles);
    ++cache.frame;
}

// Per tile, after the plan's own masks: whether the copy stands in for the quads below its depth
// (only over a quad opaque there, so the copy never depends on what lay under the frame), and up to
// which quad the tile is copied this frame: the first quad drawn there that has changed lately.
void GLDriver::planCache(std::size_t tiles)
{
    const std::size_t count = planned.size();
    cache.filling = false;
    for (std::size_t t = 0; t < tiles; ++t) {
        const int depth = cache.depth[t], hidden = cache.hidden[t];
        const bool use = hidden >= 0 && depth > hidden;
        cache.use[t] = use;
        if (use)
            for (int i = 0; i < depth; ++i)
                tileCover[std::size_t(i) * tiles + t] = 0;
        std::size_t target = count;
        for (std::size_t i = std::size_t(std::max(hidden, 0)); i < count; ++i)
            if (tileCover[i * tiles + t] && cache.frame - cache.changed[i] <= SettleFrames) {
                target = i;
                break;
            }
        const bool fill = hidden >= 0 && int(target) > hidden && int(target) > (use ? depth : 0);
        cache.fillAt[t] = fill ? std::uint8_t(target) : 0;
        cache.filling = cache.filling || fill;
        if (fill)
            cache.depth[t] = std::uint8_t(target);
    }
}

// The copy over the tiles the mask marks, texel for texel, blending off.
void GLDriver::drawCached(const std::uint8_t* mask)
{
    const double w = viewport[2], h = viewport[3];
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, cache.texture);
    // The program reads the texel as it is; only fixed function needs GL_REPLACE for that.
    if (cache.useProgram)
        useProgram(programs.copy);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float s = 1.0f / float(cache.textureWidth), r = 1.0f / float(cache.textureHeight);
    glBegin(GL_QUADS);
    plan.forEachBox(mask, 1, [&](int left, int top, int right, int bottom) {
        // GL rows run upwards.
        const float x0 = float(left), x1 = float(right);
        const float y0 = float(h - bottom), y1 = float(h - top);
        glTexCoord2f(x0 * s, y0 * r);
        glVertex2f(x0, y0);
        glTexCoord2f(x1 * s, y0 * r);
        glVertex2f(x1, y0);
        glTexCoord2f(x1 * s, y1 * r);
        glVertex2f(x1, y1);
        glTexCoord2f(x0 * s, y1 * r);
        glVertex2f(x0, y1);
    });
    glEnd();
    if (cache.useProgram)
        useProgram(0);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glEnable(GL_SCISSOR_TEST);
}

// Copies the frame's pixels of the tiles whose mask value is `want` into the cache.
void GLDriver::fillCache(const std::uint8_t* mask, std::uint8_t want)
{
    bool bound = false;
    plan.forEachBox(mask, want, [&](int left, int top, int right, int bottom) {
        if (!bound)
            glBindTexture(GL_TEXTURE_2D, cache.texture);
        bound = true;
        const int y = viewport[3] - bottom;
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, left, y, viewport[0] + left, viewport[1] + y, right - left,
                            bottom - top);
    });
}

} // namespace System
