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
#include "engine/TileCache.h"

#include "engine/ExtensionLoader.h"
#include "engine/FragmentPrograms.h"
#include "engine/FramePlan.h"
#include "engine/Log.h"

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

bool TileCache::prepare(const int area[4], int sceneWidth, int sceneHeight, std::size_t tiles, unsigned uploads,
                        FragmentPrograms& programs, bool copyWanted)
{
    if (area[2] <= 0 || area[3] <= 0)
        return false;
    // The same quads land on other pixels when another drawing size is mapped onto the viewport.
    const bool sameDrawing = drawing[0] == sceneWidth && drawing[1] == sceneHeight;
    if (texture && std::equal(area, area + 4, viewport) && sameDrawing && generation == uploads &&
        depth.size() == tiles)
        return true;

    int width = area[2], height = area[3];
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
    const unsigned int copyName = programs.copy(copyWanted);
    const bool program = copyName != 0;
    // A driver picks the layout of an unsized format from the pixels it is given (BGRA: the window's
    // own order), but may also pick fewer bits: the copy needs eight per channel.
    const bool askBgra = program && (ExtensionLoader::version12() || ExtensionLoader::found("GL_EXT_bgra"));
    if (!texture || textureWidth != width || textureHeight != height || askedBgra != askBgra) {
        bool bgraKept = askBgra;
        if (texture)
            glDeleteTextures(1, &texture);
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        if (bgraKept)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, nullptr);
        if (bgraKept && !eightBitChannels())
            bgraKept = false;
        if (!bgraKept)
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (glGetError() != GL_NO_ERROR) {
            glDeleteTextures(1, &texture);
            texture = 0;
            return false;
        }
        textureWidth = width;
        textureHeight = height;
        askedBgra = askBgra;
        bgra = bgraKept;
    }
    if (program != useProgram || !started) {
        Log::instance().write(std::string("[GL] Tile cache copies by ") +
                              (program ? "fragment program" : "fixed function") +
                              (program && !bgra ? " (RGBA texture)" : "") + "\n");
    }
    useProgram = program;
    copyProgram = copyName;
    started = true;
    std::copy(area, area + 4, viewport);
    drawing[0] = sceneWidth;
    drawing[1] = sceneHeight;
    generation = uploads;
    depth.assign(tiles, 0);
    fillAt.assign(tiles, 0);
    use.assign(tiles, 0);
    hidden.assign(tiles, -1);
    last.reserve(PlanCapacity);
    last.clear();
    lastCover.resize(PlanCapacity * tiles);
    changed.assign(PlanCapacity, frame);
    return true;
}

// Every quad that differs from the one at its place in the last plan (or is new there, or gone)
// spoils the copy of each tile it covered then or covers now, where the copy holds it.
void TileCache::noteChanges(const std::vector<PlannedQuad>& planned, const std::uint8_t* cover, std::size_t tiles)
{
    const std::size_t count = planned.size(), before = last.size();
    auto same = [](const PlannedQuad& a, const PlannedQuad& b) {
        return a.texture == b.texture && a.glName == b.glName && a.rect.x == b.rect.x && a.rect.y == b.rect.y &&
               a.rect.width == b.rect.width && a.rect.height == b.rect.height &&
               std::equal(a.colour, a.colour + 4, b.colour) && std::equal(a.matrix, a.matrix + 16, b.matrix);
    };
    for (std::size_t i = 0; i < std::max(count, before); ++i) {
        if (i < count && i < before && same(planned[i], last[i]))
            continue;
        if (i < count)
            changed[i] = frame;
        const std::uint8_t* now = i < count ? &cover[i * tiles] : nullptr;
        const std::uint8_t* then = i < before ? &lastCover[i * tiles] : nullptr;
        for (std::size_t t = 0; t < tiles; ++t)
            if (depth[t] > i && ((now && now[t]) || (then && then[t])))
                depth[t] = 0;
    }
    for (std::size_t t = 0; t < tiles; ++t)
        depth[t] = std::uint8_t(std::min<std::size_t>(depth[t], count));
    last.assign(planned.begin(), planned.end());
    std::memcpy(lastCover.data(), cover, count * tiles);
    ++frame;
}

// Per tile, after the plan's own masks: whether the copy stands in for the quads below its depth
// (only over a quad opaque there, so the copy never depends on what lay under the frame), and up to
// which quad the tile is copied this frame: the first quad drawn there that has changed lately.
void TileCache::plan(std::size_t count, std::uint8_t* tileCover, std::size_t tiles)
{
    filling = false;
    for (std::size_t t = 0; t < tiles; ++t) {
        const int held = depth[t], opaqueAt = hidden[t];
        const bool standsIn = opaqueAt >= 0 && held > opaqueAt;
        use[t] = standsIn;
        if (standsIn)
            for (int i = 0; i < held; ++i)
                tileCover[std::size_t(i) * tiles + t] = 0;
        std::size_t target = count;
        for (std::size_t i = std::size_t(std::max(opaqueAt, 0)); i < count; ++i)
            if (tileCover[i * tiles + t] && frame - changed[i] <= SettleFrames) {
                target = i;
                break;
            }
        const bool fill = opaqueAt >= 0 && int(target) > opaqueAt && int(target) > (standsIn ? held : 0);
        fillAt[t] = fill ? std::uint8_t(target) : 0;
        filling = filling || fill;
        if (fill)
            depth[t] = std::uint8_t(target);
    }
}

// The copy over the tiles the mask marks, texel for texel, blending off.
void TileCache::drawCopy(FramePlan& plan, FragmentPrograms& programs)
{
    const std::uint8_t* mask = use.data();
    const double w = viewport[2], h = viewport[3];
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, texture);
    // The program reads the texel as it is; only fixed function needs GL_REPLACE for that.
    if (useProgram)
        programs.use(copyProgram);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, w, 0.0, h, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float s = 1.0f / float(textureWidth), r = 1.0f / float(textureHeight);
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
    if (useProgram)
        programs.use(0);
    else
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glEnable(GL_SCISSOR_TEST);
}

// Copies the frame's pixels of the tiles whose fill mark is `drawn` into the cache.
void TileCache::fillAfter(FramePlan& plan, std::size_t drawn)
{
    if (!filling)
        return;
    bool bound = false;
    plan.forEachBox(fillAt.data(), std::uint8_t(drawn), [&](int left, int top, int right, int bottom) {
        if (!bound)
            glBindTexture(GL_TEXTURE_2D, texture);
        bound = true;
        const int y = viewport[3] - bottom;
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, left, y, viewport[0] + left, viewport[1] + y, right - left,
                            bottom - top);
    });
}

} // namespace System
