#pragma once
// A window inside a window of another program (a screen-saver host's preview area), with its own
// message loop, and pictures copied into it stretched. The procedure runs on the caller's thread from
// create, getMessage's caller (dispatch) and nowhere else, so an exception it throws leaves create or
// dispatch as it is: the window is cleaned up on the way.
#include "platform/Handle.h"

#include <functional>
#include <memory>
#include <string>

namespace System::Platform {

struct Bitmap;

enum class ChildMessage {
    Create,   // during create, before the window is shown
    Paint,    // the window must be repainted whole
    Destroy,  // the window is gone (its parent destroyed it, or it was destroyed)
    Other,
};

struct ChildWindowSpec {
    std::string title;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A picture in the window's own pixel format, ready to be copied into it (a memory device context
// with the bitmap selected).
class CompatibleImage {
public:
    virtual ~CompatibleImage() = default;
};

class ChildWindow;
using ChildWindowProcedure = std::function<void(ChildWindow& window, ChildMessage message)>;

class ChildWindow {
public:
    // Destroys the window if its parent has not already done so.
    virtual ~ChildWindow() = default;

    // A visible child of parent with a black background; the procedure gets Create first. Null when
    // parent is null or not a window (no X error reaches the process), and on Windows when it is the
    // desktop window or a window of this process: no host's preview area.
    static std::unique_ptr<ChildWindow> create(NativeHandle parent, const ChildWindowSpec& spec,
                                               ChildWindowProcedure procedure);

    virtual NativeHandle handle() const = 0;
    virtual void clientSize(int& width, int& height) const = 0;
    // Null when the picture cannot be made in the window's pixel format.
    virtual std::unique_ptr<CompatibleImage> createCompatibleImage(const Bitmap& bitmap) = 0;
    // Copies the source rectangle of image onto the destination rectangle, each destination pixel
    // taking the source pixel under its centre (no smoothing). Source pixels outside the picture are
    // black.
    virtual void stretchBlit(int x, int y, int width, int height, const CompatibleImage& image,
                             int sourceX, int sourceY, int sourceWidth, int sourceHeight) = 0;

    // Waits for the next message of this window; false once the quit message is taken (postQuit, or
    // an ending signal after installTerminationHandlers).
    virtual bool getMessage(ChildMessage& message) = 0;
    virtual void dispatch(ChildMessage message) = 0;
    virtual void postQuit(int exitCode) = 0;
};

// The size of the inside of any program's window; false when handle is null or not a window.
bool windowSize(NativeHandle window, int& width, int& height);

// The source coordinate that destination coordinate d of a side of destinationLength pixels takes
// from a side of sourceLength pixels: the one under d's centre.
inline int stretchSource(int d, int destinationLength, int sourceLength)
{
    return static_cast<int>((2LL * d + 1) * sourceLength / (2LL * destinationLength));
}

} // namespace System::Platform
