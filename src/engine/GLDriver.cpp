#include "engine/GLDriver.h"

#include "base/Exception.h"
#include "engine/ExtensionLoader.h"
#include "engine/Log.h"
#include "engine/QuadSink.h"
#include "engine/QuadVertices.h"
#include "engine/Texture.h"

#include <GL/gl.h>
#include <GL/glext.h>  // past OpenGL 1.1: Windows' gl.h stops there
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

namespace System {

namespace {

const char* glText(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

} // namespace

GLDriver::GLDriver(int width, int height, int depth) : depth(depth), width(width), height(height)
{
}

void GLDriver::log(const std::string& message)
{
    Log::instance().write("[GL] " + message + "\n");
}

Platform::ContextWishes GLDriver::contextWishesFor(int depth, const DrawingOptions& options)
{
    Platform::ContextWishes wishes;
    wishes.colourBits = depth;
    // Planned frames never test depth (DrawingOptions::framePlanning).
    wishes.depthBits = options.framePlanning ? 0 : 16;
    return wishes;
}

void GLDriver::start(Platform::DeviceContext dc)
{
    log("Starting OpenGL driver");
    glContext.start(dc, getContextWishes());

    ExtensionLoader::loadExtensions(dc);
    multitexture = ExtensionLoader::isSupported("ARB_multitexture");
    log(multitexture ? "ARB_mulittexture is supported" : "ARB_mulittexture is not supported");
    log(std::string("OpenGL ver ") + glText(GL_VERSION) + " on " + glText(GL_VENDOR) + " " +
        glText(GL_RENDERER));

    std::ostringstream report;
    report << "[OpenGL] Performing OpenGL extensions check\n"
           << glText(GL_EXTENSIONS) << "\n"
           << "Required extensions: \n";
    for (const char* name : {"ARB_multitexture", "GL_EXT_compiled_vertex_array",
                             "GL_ARB_vertex_buffer_object", "GL_ARB_texture_border_clamp"})
        report << name << "=" << (ExtensionLoader::isSupported(name) ? 1 : 0) << "\n";
    Log::instance().write(report.str());

    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(1.0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    glContext.startPacing();
    // The tile cache copies the frame's own pixels back: only pixels the driver is sure to own.
    log(glContext.ownsBackBuffer() ? "Tile cache on: the software renderer's back buffer is the process's own"
                                   : "Tile cache off: the back buffer's pixels under other windows are not ours");
    log("OpenGL driver started");
}

void GLDriver::setOnBattery(bool onBattery)
{
    glContext.setOnBattery(onBattery);
}

void GLDriver::setViewport(int w, int h)
{
    flush();
    partialView = false;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    double aspect = height != 0 ? static_cast<double>(width) / height : 1.0;
    gluPerspective(45.0, aspect, 0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLDriver::setView(const Types::Rect& area, int surfaceWidth, int surfaceHeight)
{
    flush();
    view[0] = area.x;
    view[1] = surfaceHeight - area.y - area.height;
    view[2] = area.width;
    view[3] = area.height;
    partialView = area.x != 0 || area.y != 0 || area.width != surfaceWidth || area.height != surfaceHeight;
    glViewport(view[0], view[1], view[2], view[3]);
}

void GLDriver::setDrawingSize(int w, int h)
{
    if (w == width && h == height)
        return;
    flush();
    width = w;
    height = h;
}

void GLDriver::clearSurface()
{
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT);
}

void GLDriver::enableLighting()
{
    if (!wireframe)
        glEnable(GL_LIGHTING);
}

void GLDriver::beginFrame()
{
    flush();
    planning = drawing.framePlanning && !wireframe;
    planner.beginFrame(planning);
    if (wireframe) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glLoadIdentity();
}

void GLDriver::clearColour()
{
    flush();
    if (!partialView) {
        glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    // glClear ignores the viewport: the other views keep their pictures.
    glEnable(GL_SCISSOR_TEST);
    glScissor(view[0], view[1], view[2], view[3]);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

void GLDriver::begin2D()
{
    flush();
    enter2D(false);
}

void GLDriver::begin2DAdditive()
{
    flush();
    enter2D(true);
}

// Pushes the state the 2D mode changes. The normal mode keeps the caller's model-view matrix (so a
// sprite's rotation applies) and blends over the scene; the additive mode starts from identity and
// adds light, for text.
void GLDriver::enter2D(bool additive)
{
    if (mode2D == Mode2D::Pushed)
        return;
    leave2DState();
    // Current, point, polygon stipple, pixel mode, lighting, fog, depth buffer, accumulation
    // buffer, stencil buffer, viewport, enable and colour buffer bits: 0x6FF3.
    glPushAttrib(GL_CURRENT_BIT | GL_POINT_BIT | GL_POLYGON_STIPPLE_BIT | GL_PIXEL_MODE_BIT | GL_LIGHTING_BIT |
                 GL_FOG_BIT | GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_STENCIL_BUFFER_BIT |
                 GL_VIEWPORT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    if (additive)
        glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, additive ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    mode2D = Mode2D::Pushed;
}

void GLDriver::end2D()
{
    flush();
    leave2DState();
}

void GLDriver::leave2DState()
{
    if (mode2D == Mode2D::Pushed) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopAttrib();
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LEQUAL);
        glClearDepth(1.0);
    }
    mode2D = Mode2D::Ended;
}

void GLDriver::leave2D()
{
    if (mode2D != Mode2D::Between) {
        leave2DState();
        mode2D = Mode2D::Between;
    }
}

void quadVertices(const Types::Rect& rect, float s0, float t0, float s1, float t1)
{
    const float x = static_cast<float>(rect.x);
    const float y = static_cast<float>(rect.y);
    const float left = x + rect.width * s0;
    const float right = x + rect.width * s1;
    const float top = y + rect.height * (1.0f - t1);
    const float bottom = y + rect.height * (1.0f - t0);
    glTexCoord2f(s0, t1);
    glVertex2f(left, top);
    glTexCoord2f(s0, t0);
    glVertex2f(left, bottom);
    glTexCoord2f(s1, t0);
    glVertex2f(right, bottom);
    glTexCoord2f(s1, t1);
    glVertex2f(right, top);
}

// Draws the quad once per screen rectangle that holds covered cells, each time limited by the scissor
// box to that rectangle: fully transparent cells would leave the screen unchanged, and the software
// renderer pays for every pixel a quad covers. The quad itself is never cut, so every pixel that is
// drawn samples exactly what the whole quad would have sampled. Only for quads drawn without a
// transformation of the caller's; false when the quad must be drawn whole instead.
bool GLDriver::coveredQuads(const Types::Rect& rect, const Texture& texture)
{
    // The first pixel whose centre lies at or past position p.
    auto firstPixel = [](double p) { return int(std::ceil(p - 0.5)); };
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    for (int i = 0; i < 16; ++i)
        if (matrix[i] != ((i % 5 == 0) ? 1.0f : 0.0f))
            return false;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (width <= 0 || height <= 0)
        return false;
    const double toPixelsX = double(viewport[2]) / width, toPixelsY = double(viewport[3]) / height;

    const int grid = texture.getCoverageGrid();
    const std::vector<std::uint8_t>& cells = texture.getCoverage();
    struct Box {
        int first, end, top, bottom;  // cell columns [first, end), cell rows [bottom, top)
    };
    std::vector<Box> boxes;
    std::vector<Box> open;
    // Runs of covered cells, row by row from the bottom; a run exactly below an open box extends it.
    for (int row = 0; row <= grid; ++row) {
        std::vector<Box> next;
        if (row < grid) {
            const std::uint8_t* cell = &cells[std::size_t(row) * grid];
            for (int i = 0; i < grid;) {
                if (!cell[i]) {
                    ++i;
                    continue;
                }
                int end = i;
                while (end < grid && cell[end])
                    ++end;
                Box box{i, end, row + 1, row};
                for (auto it = open.begin(); it != open.end(); ++it)
                    if (it->first == i && it->end == end) {
                        box.bottom = it->bottom;
                        open.erase(it);
                        break;
                    }
                next.push_back(box);
                i = end;
            }
        }
        boxes.insert(boxes.end(), open.begin(), open.end());
        open.swap(next);
    }

    glEnable(GL_SCISSOR_TEST);
    for (const Box& box : boxes) {
        // A box holds exactly the pixels whose centres lie over its cells, so neighbouring boxes
        // share their edges and no pixel is drawn twice. Texture rows run bottom first; t = 1 is the
        // quad's top edge.
        const int x0 = firstPixel((rect.x + rect.width * double(box.first) / grid) * toPixelsX);
        const int x1 = firstPixel((rect.x + rect.width * double(box.end) / grid) * toPixelsX);
        const int y0 = firstPixel((rect.y + rect.height * (1.0 - double(box.top) / grid)) * toPixelsY);
        const int y1 = firstPixel((rect.y + rect.height * (1.0 - double(box.bottom) / grid)) * toPixelsY);
        if (x1 <= x0 || y1 <= y0)
            continue;
        glScissor(viewport[0] + x0, viewport[1] + viewport[3] - y1, x1 - x0, y1 - y0);
        glBegin(GL_QUADS);
        quadVertices(rect, 0.0f, 0.0f, 1.0f, 1.0f);
        glEnd();
    }
    glDisable(GL_SCISSOR_TEST);
    return true;
}

bool GLDriver::plannable(const Texture* texture) const
{
    return planning && drawing.coveredDrawing && !quadSink && !wireframe && mode2D != Mode2D::Pushed && texture &&
           texture->isLoaded();
}

void GLDriver::drawQuad(const Types::Rect& rect, Texture* texture)
{
    if (plannable(texture)) {
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        queue(rect, texture, colour);
        return;
    }
    flush();
    bool textured = texture && texture->isLoaded();
    if (quadSink) {
        RecordedQuad recorded;
        glGetFloatv(GL_MODELVIEW_MATRIX, recorded.matrix);
        glGetFloatv(GL_CURRENT_COLOR, recorded.colour);
        recorded.rect = rect;
        recorded.texture = textured ? texture->getGlName() : 0;
        quadSink->take(recorded);
        return;
    }
    if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture->getGlName());
    } else {
        // Otherwise whatever texture an upload left bound would tint the quad.
        glDisable(GL_TEXTURE_2D);
    }
    begin2D();
    if (!textured || !drawing.coveredDrawing || texture->getCoverage().empty() || !coveredQuads(rect, *texture)) {
        glBegin(GL_QUADS);
        quadVertices(rect, 0.0f, 0.0f, 1.0f, 1.0f);
        glEnd();
    }
    leave2D();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
}

void GLDriver::drawQuad(const Types::Rect& rect, Texture* texture, Types::Colour32 colour)
{
    glColor4ub(colour.r, colour.g, colour.b, colour.a);
    if (plannable(texture)) {
        const float c[4] = {colour.r / 255.0f, colour.g / 255.0f, colour.b / 255.0f, colour.a / 255.0f};
        queue(rect, texture, c);
        return;
    }
    drawQuad(rect, texture);
}

void GLDriver::drawQuad(const Types::Rect& rect, Texture* texture, const Types::Colour& colour)
{
    glColor4f(colour.r, colour.g, colour.b, colour.a);
    if (plannable(texture)) {
        const float c[4] = {colour.r, colour.g, colour.b, colour.a};
        queue(rect, texture, c);
        return;
    }
    drawQuad(rect, texture);
}

void GLDriver::drawOutline(const Types::Rect& rect, Types::Colour32 colour)
{
    flush();
    glColor4ub(colour.r, colour.g, colour.b, colour.a);
    begin2D();
    // Lines are never textured; the pushed enable bits restore the caller's setting.
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glLoadIdentity();
    // Through pixel centres: lines along pixel borders land on either side at the rasteriser's
    // whim, so the edges would not be the rectangle's own outermost pixels.
    const float left = rect.x + 0.5f;
    const float top = rect.y + 0.5f;
    const float right = rect.x + std::max(rect.width - 0.5f, 0.5f);
    const float bottom = rect.y + std::max(rect.height - 0.5f, 0.5f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(left, top);
    glVertex2f(right, top);
    glVertex2f(right, bottom);
    glVertex2f(left, bottom);
    glEnd();
    glPopMatrix();
    leave2D();
}

void GLDriver::swapBuffers()
{
    flush();
    planning = false;
    glContext.present();
}

void GLDriver::releaseContext()
{
    planning = false;
    planner.releaseContext();
    glContext.release();
}

void GLDriver::queue(const Types::Rect& rect, Texture* texture, const float colour[4])
{
    if (planner.full())
        flush();
    planner.queue(rect, texture, colour);
}

void GLDriver::flush()
{
    if (planner.empty())
        return;
    planner.plan(width, height, uploads, drawing, glContext.ownsBackBuffer());
    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    enter2D(false);
    planner.draw(drawing);
    leave2D();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glColor4fv(current);
}

void GLDriver::setWireframe(const std::string& argument)
{
    flush();
    if (argument == "false" || argument == "0" || argument == "no") {
        wireframe = false;
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    } else if (argument == "true" || argument == "1" || argument == "yes") {
        wireframe = true;
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    } else {
        throw Exception("Invalid parameter - " + argument);
    }
}

} // namespace System
