// Measures pieces of the saver that the whole program cannot show on their own (scripts/bench.sh runs it
// under Xvfb and writes bench/RESULTS.md):
//
//   fernhollow_bench pictures ROUNDS   decoding every picture of start-up with the image library alone,
//                                      then uploading the same decoded pictures alone (as the saver
//                                      uploads them, and with every mipmap level built), ROUNDS times
//   fernhollow_bench frames VARIANT SECONDS
//                                      the full forest scene in a full-screen window of the screen's size,
//                                      frames back to back without the swap pacing, for SECONDS after a
//                                      warm-up; VARIANT is "scene" (as the saver draws it), "fixedcopy"
//                                      (the tile cache's copy drawn by fixed function, not by its fragment
//                                      program), "fixedquads" (the planned quads drawn by fixed function,
//                                      not by their fragment program), "uncached" (the tile cache off),
//                                      "unplanned" (frame planning off: quad by quad over covered
//                                      cells, with a depth buffer), "whole" (the
//                                      covered-cells drawing off: every quad drawn whole) or "batched"
//                                      (the scene's quads recorded and drawn at once: one 2D state set-up,
//                                      no per-quad state pushes, a new begin/end only where the texture
//                                      changes; the texts drawn as the scene draws them)
//
// Every result is one line "name value". Times are milliseconds.
#include "base/Exception.h"
#include "config/SaverConfig.h"
#include "engine/Engine.h"
#include "engine/GLDriver.h"
#include "engine/QuadSink.h"
#include "engine/Texture.h"
#include "engine/Timer.h"
#include "engine/ui/FXManager.h"
#include "engine/ui/RenderManager.h"
#include "engine/services/SoundManager.h"
#include "platform/DisplayModes.h"
#include "platform/DisplayWindow.h"
#include "scene/Forest.h"
#include "scene/ForestLayers.h"
#include "scene/ResourceHelpers.h"
#include "scene/SSLevelFactory.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace System;

namespace {

// Every picture start-up decodes: the loading picture, the scene's sixteen, the font's glyph sheet.
// On a screen that takes the 2x set, the scene's sixteen are those of the 2x set.
const unsigned Pictures[] = {125, 128, 129, 130, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 154};

std::vector<unsigned> pictureIds(int scale)
{
    std::vector<unsigned> ids;
    for (unsigned id : Pictures)
        ids.push_back(scale == 2 && id != 125 && id != 154 ? id + Windows::PictureId2x : id);
    return ids;
}

double now(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

double wall() { return now(CLOCK_MONOTONIC); }
double threadCpu() { return now(CLOCK_THREAD_CPUTIME_ID); }
double processCpu() { return now(CLOCK_PROCESS_CPUTIME_ID); }

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

void result(const std::string& name, double value)
{
    std::printf("%s %.3f\n", name.c_str(), value);
    std::fflush(stdout);
}

// A started engine in a full-screen window of the screen's own size, as the saver starts it.
struct Running {
    SSLevelFactory factory;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<Windows::Forest> forest;

    explicit Running(bool withScene, const DrawingOptions& options = DrawingOptions())
    {
        SaverConfig& config = SaverConfig::instance();
        Platform::VideoMode screen;
        if (!Platform::currentDisplayMode(screen))
            throw Exception(Platform::lastDisplayModeError());
        DisplayMode mode;
        mode.width = screen.width;
        mode.height = screen.height;
        mode.depth = screen.bitsPerPixel;
        mode.fullScreen = true;
        config.setDisplayMode(mode);
        engine = std::make_unique<Engine>(factory);
        engine->settings = &config;
        engine->drawingOptions = options;
        engine->start(0);
        if (!withScene)
            return;
        Types::Rect area = engine->windowRect();
        forest = std::make_unique<Windows::Forest>(area.x, area.y, area.width, area.height);
        forest->setPictureScale(SSLevelFactory::pictureScale(area, engine->framesOnScreen()));
        forest->setShowFps(config.options.ShowFps);
        forest->setShowTime(config.options.ShowTime);
        forest->setTwelveHourClock(config.options.TimeStyle);
        engine->addForm(forest.get());
    }
};

int pictures(int rounds)
{
    Running running(false);
    GLDriver& driver = *running.engine->getDriver();
    const std::vector<unsigned> ids =
        pictureIds(SSLevelFactory::pictureScale(running.engine->windowRect(), running.engine->framesOnScreen()));
    ByteStore staging(0x2000000);
    result("staging_bytes", double(staging.size()));
    for (unsigned id : ids) {
        Texture texture(loadResourceBlock(id, "IMAGE"));
        result("decoded_bytes_" + std::to_string(id),
               double(texture.getWidth()) * texture.getHeight() * texture.bytesPerPixel());
    }
    for (int round = 0; round < rounds; ++round) {
        // The image library alone: decode (and convert where needed), nothing copied out.
        double started = wall();
        for (unsigned id : ids)
            decodeImage(loadResourceBlock(id, "IMAGE"));
        result("decode_library_ms", wall() - started);

        // Decoding as start-up does it: into a store, pixels copied out of the library.
        started = wall();
        for (unsigned id : ids) {
            Texture texture;
            texture.borrowPixels(&staging);
            texture.decodeFromMemory(loadResourceBlock(id, "IMAGE"));
            texture.dropPixels();
        }
        result("decode_store_ms", wall() - started);

        // The same pictures' uploads alone, from pixels decoded beforehand.
        std::vector<std::unique_ptr<Texture>> textures;
        for (unsigned id : ids)
            textures.push_back(std::make_unique<Texture>(loadResourceBlock(id, "IMAGE")));
        glFinish();
        started = wall();
        for (auto& texture : textures)
            driver.upload(*texture);
        glFinish();
        result("upload_ms", wall() - started);
        for (auto& texture : textures) {
            GLuint name = texture->getGlName();
            glDeleteTextures(1, &name);
        }

        // The same uploads with the driver building every mipmap level (a mipmap filter), as every
        // upload did before base-level filters were limited to level 0.
        textures.clear();
        for (unsigned id : ids) {
            textures.push_back(std::make_unique<Texture>(loadResourceBlock(id, "IMAGE")));
            textures.back()->setFilter(4);
        }
        glFinish();
        started = wall();
        for (auto& texture : textures)
            driver.upload(*texture);
        glFinish();
        result("upload_mipmapped_ms", wall() - started);
        for (auto& texture : textures) {
            GLuint name = texture->getGlName();
            glDeleteTextures(1, &name);
        }
    }
    running.engine->stop();
    return 0;
}

// Draws recorded quads the cheapest way the fixed-function renderer offers: the 2D state once, the
// vertices transformed here, one begin/end per run of quads with the same texture.
void drawBatched(GLDriver& driver, const std::vector<RecordedQuad>& quads)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, driver.getWidth(), driver.getHeight(), 0, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    unsigned bound = ~0u;
    bool open = false;
    for (const RecordedQuad& quad : quads) {
        if (quad.texture != bound) {
            if (open)
                glEnd();
            if (quad.texture) {
                glEnable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, quad.texture);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
            bound = quad.texture;
            glBegin(GL_QUADS);
            open = true;
        }
        const float* m = quad.matrix;
        const float x0 = float(quad.rect.x), y0 = float(quad.rect.y);
        const float x1 = x0 + float(quad.rect.width), y1 = y0 + float(quad.rect.height);
        const float corners[4][4] = {{x0, y0, 0, 1}, {x0, y1, 0, 0}, {x1, y1, 1, 0}, {x1, y0, 1, 1}};
        glColor4fv(quad.colour);
        for (const auto& c : corners) {
            glTexCoord2f(c[2], c[3]);
            glVertex2f(m[0] * c[0] + m[4] * c[1] + m[12], m[1] * c[0] + m[5] * c[1] + m[13]);
        }
    }
    if (open)
        glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

int frames(const std::string& variant, double seconds)
{
    if (variant != "scene" && variant != "fixedcopy" && variant != "fixedquads" && variant != "uncached" &&
        variant != "unplanned" && variant != "whole" && variant != "batched") {
        std::fprintf(stderr, "fernhollow_bench: unknown variant %s\n", variant.c_str());
        return 2;
    }
    // Every reference draws as the saver did before frames were planned (a depth buffer too).
    const bool cached = variant == "scene" || variant == "fixedcopy" || variant == "fixedquads";
    DrawingOptions options;
    options.framePlanning = cached || variant == "uncached";
    options.frameCache = cached;
    options.copyProgram = variant != "fixedcopy";
    options.quadProgram = variant != "fixedquads";
    options.coveredDrawing = variant != "whole";
    Running running(true, options);
    Engine& engine = *running.engine;
    GLDriver& driver = *engine.getDriver();
    RenderManager& renderManager = *engine.getRenderManager();
    driver.setSwapPacing(false);
    QuadList quads;

    std::vector<double> updateCpu, renderWall, renderCpu, frameWall, frameCpu;
    int counted = 0;
    double measuredFrom = 0.0;
    const double warmUp = 2000.0;
    const double start = wall();
    for (;;) {
        const double frameStart = wall();
        const double frameProcess0 = processCpu();
        const double cpu0 = threadCpu();
        driver.beginFrame();
        Timer& timer = Timer::instance();
        timer.update();
        double dt = timer.elapsed();
        FXManager::instance().update(dt);
        renderManager.update(dt);
        SoundManager::instance().update();
        timer.mark();
        const double cpu1 = threadCpu();
        const double renderStart = wall();
        const double process0 = processCpu();
        if (variant == "batched") {
            quads.quads.clear();
            driver.setQuadSink(&quads);
            renderManager.render(driver);
            driver.setQuadSink(nullptr);
            drawBatched(driver, quads.quads);
        } else {
            renderManager.render(driver);
        }
        driver.flush();
        glFinish();
        const double renderEnd = wall();
        const double process1 = processCpu();
        driver.swapBuffers();
        const double frameEnd = wall();
        const double frameProcess1 = processCpu();

        if (frameEnd - start < warmUp)
            continue;
        if (counted == 0)
            measuredFrom = frameStart;
        ++counted;
        updateCpu.push_back(cpu1 - cpu0);
        renderWall.push_back(renderEnd - renderStart);
        renderCpu.push_back(process1 - process0);
        frameWall.push_back(frameEnd - frameStart);
        frameCpu.push_back(frameProcess1 - frameProcess0);
        if (frameEnd - measuredFrom >= seconds * 1000.0)
            break;
    }
    const double elapsed = wall() - measuredFrom;
    result("frames", counted);
    result("quads_per_frame", variant == "batched" ? double(quads.quads.size()) : 0.0);
    result("update_cpu_ms", median(updateCpu));
    result("render_ms", median(renderWall));
    result("render_cpu_ms", median(renderCpu));
    result("frame_ms", median(frameWall));
    result("frame_cpu_ms", median(frameCpu));
    result("fps", counted / (elapsed / 1000.0));
    driver.setSwapPacing(true);
    engine.stop();
    running.forest.reset();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "pictures")
        return pictures(std::max(1, std::atoi(args[1].c_str())));
    if (args.size() == 3 && args[0] == "frames")
        return frames(args[1], std::atof(args[2].c_str()));
    std::fprintf(stderr, "usage: fernhollow_bench pictures ROUNDS | frames scene|fixedcopy|fixedquads|uncached|unplanned|whole|batched SECONDS\n");
    return 2;
}
