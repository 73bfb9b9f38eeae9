// The preview: a still picture in a child of the host's window, until the host destroys it.
#include "base/Exception.h"
#include "platform/Bitmap.h"
#include "platform/ChildWindow.h"
#include "shell/Modes.h"

#include <memory>

using namespace System;

namespace {

constexpr unsigned previewBitmap = 150;
// The picture's size is a constant of the painting, not read from the bitmap.
constexpr int sourceWidth = 155;
constexpr int sourceHeight = 115;

// Made when the window is created, kept while it lives.
struct PreviewState {
    Platform::Bitmap bitmap;
    std::unique_ptr<Platform::CompatibleImage> memory;
};

PreviewState g_preview;

} // namespace

void previewWindowProc(Platform::ChildWindow& window, Platform::ChildMessage message)
{
    switch (message) {
    case Platform::ChildMessage::Create:
        if (!Platform::loadBitmap(previewBitmap, g_preview.bitmap))
            throw Exception("Bitmap not found in resources");
        g_preview.memory = window.createCompatibleImage(g_preview.bitmap);
        if (!g_preview.memory)
            throw Exception("Could not create compatible DC");
        break;
    case Platform::ChildMessage::Paint: {
        int width = 0, height = 0;
        window.clientSize(width, height);
        window.stretchBlit(0, 0, width, height, *g_preview.memory, 0, 0, sourceWidth, sourceHeight);
        break;
    }
    case Platform::ChildMessage::Destroy:
        window.postQuit(0);
        break;
    case Platform::ChildMessage::Other:
        break;
    }
}

void runPreview(Platform::NativeHandle parent)
{
    // The host's size is taken once; a later resize of the host leaves the preview as it is.
    int width = 0, height = 0;
    if (!Platform::windowSize(parent, width, height))
        return;
    Platform::ChildWindowSpec spec;
    spec.title = "SaverPreview";
    spec.width = width;
    spec.height = height;
    // An Exception from the Create message leaves create with the window already taken down.
    std::unique_ptr<Platform::ChildWindow> window =
        Platform::ChildWindow::create(parent, spec, previewWindowProc);
    if (!window)
        return;

    Platform::ChildMessage message;
    while (window->getMessage(message))
        window->dispatch(message);

    window.reset();
    g_preview.memory.reset();  // its GC belongs to the connection, which closes at exit
}
