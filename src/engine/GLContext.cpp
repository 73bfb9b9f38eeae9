#include "engine/GLContext.h"

#include "base/Exception.h"
#include "engine/Log.h"
#include "platform/Renderer.h"

#include <string>

namespace System {

namespace {

void log(const std::string& message)
{
    Log::instance().write("[GL] " + message + "\n");
}

} // namespace

void GLContext::start(Platform::DeviceContext deviceContext, const Platform::ContextWishes& wishes)
{
    dc = deviceContext;
    log("Setting up pixel format");
    Platform::ContextMade made = Platform::createContext(dc, wishes);
    switch (made.failure) {
    case Platform::ContextFailure::NoPixelFormat:
        log("ChoosePixelFormat failed");
        throw Exception("Error, ChoosePixelFormat failed");
    case Platform::ContextFailure::PixelFormatRefused:
        log("SetPixelFormat failed");
        throw Exception("Error, SetPixelFormat failed");
    case Platform::ContextFailure::None:
    case Platform::ContextFailure::NoContext:
        break;
    }
    if (made.software && made.partlyAccelerated)
        log("Partial hardware support for OpenGL");
    else if (made.software)
        log("Hardware support for OpenGL not found, software emulation");
    else if (!made.partlyAccelerated)
        log("OpenGL full hardware support found");
    else
        log("");
    log("Pixel format setup completed");
    if (!made.context)
        throw Exception("Error initializing OpenGL - couldn't make device context current");
    context = made.context;
    software = Platform::isSoftwareRenderer(made.renderer.c_str());
}

void GLContext::startPacing()
{
    const bool vsync = Platform::enableVsync(dc);
    pacer.configure(Platform::refreshRate(dc), software, vsync);
    logCeiling();
}

void GLContext::setOnBattery(bool onBattery)
{
    pacer.setOnBattery(onBattery);
    logCeiling();
}

void GLContext::logCeiling()
{
    log("Frame ceiling " + std::to_string(pacer.getCeiling()) + " frames/s (" + pacer.getReason() + ")");
}

void GLContext::present()
{
    Platform::swapBuffers(dc);
    pacer.pace();
}

void GLContext::release()
{
    if (context)
        Platform::deleteContext(context);
    context = nullptr;
}

} // namespace System
