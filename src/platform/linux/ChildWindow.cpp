// Linux (X11) child windows through Xlib on the platform layer's private connection: a child of a
// foreign window (the host's), its Expose and DestroyNotify events, and pictures copied in as XImages.
// The child is created with its event mask, so its DestroyNotify is never missed, even when the host
// destroys its window at once. Limits: pictures need a TrueColor visual (any depth and channel
// masks); on other visuals createCompatibleImage gives null. Large copies are split by Xlib itself.
// Depends on: Xlib, POSIX poll.
#include "platform/ChildWindow.h"

#include "platform/Bitmap.h"
#include "platform/MessagePump.h"
#include "platform/linux/X11Connection.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <cstdlib>
#include <cstring>

namespace System::Platform {

namespace {

using Linux::X11ErrorTrap;

int lowestBit(unsigned long mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int bitCount(unsigned long mask)
{
    int count = 0;
    for (; mask; mask >>= 1)
        count += static_cast<int>(mask & 1);
    return count;
}

unsigned long channel(std::uint8_t value, unsigned long mask)
{
    int bits = bitCount(mask);
    unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                     : static_cast<unsigned long>(value) >> (8 - bits);
    return (scaled << lowestBit(mask)) & mask;
}

// An XImage whose data was allocated here; XDestroyImage frees both.
XImage* newImage(Display* display, Visual* visual, int depth, int width, int height)
{
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (!image)
        return nullptr;
    image->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image->bytes_per_line),
                                                 static_cast<std::size_t>(height)));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

class X11Image : public CompatibleImage {
public:
    X11Image(Display* display, XImage* image, GC gc) : display(display), image(image), gc(gc) {}
    ~X11Image() override
    {
        XDestroyImage(image);
        if (Linux::x11Connection() == display)  // not once the connection has closed at exit
            XFreeGC(display, gc);
    }

    Display* display;
    XImage* image;
    GC gc;
};

class X11ChildWindow : public ChildWindow {
public:
    X11ChildWindow(Display* display, ChildWindowProcedure procedure)
        : display(display), procedure(std::move(procedure))
    {
    }

    ~X11ChildWindow() override
    {
        if (window && !destroyed) {
            X11ErrorTrap trap(display);  // the host may be taking it down at the same moment
            XDestroyWindow(display, window);
        }
    }

    bool open(Window parent, const ChildWindowSpec& spec)
    {
        X11ErrorTrap trap(display);
        XWindowAttributes parentAttributes;
        if (!XGetWindowAttributes(display, parent, &parentAttributes) || !trap.ok())
            return false;
        XSetWindowAttributes attributes{};
        attributes.background_pixel =
            parentAttributes.visual == DefaultVisualOfScreen(parentAttributes.screen)
                ? BlackPixelOfScreen(parentAttributes.screen)
                : 0;
        attributes.border_pixel = 0;
        attributes.event_mask = ExposureMask | StructureNotifyMask;
        window = XCreateWindow(display, parent, spec.x, spec.y,
                               static_cast<unsigned>(spec.width > 0 ? spec.width : 1),
                               static_cast<unsigned>(spec.height > 0 ? spec.height : 1), 0,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
        if (!trap.ok()) {
            window = 0;  // never made: nothing to destroy
            return false;
        }
        XStoreName(display, window, spec.title.c_str());
        if (!XGetWindowAttributes(display, window, &own) || !trap.ok())
            return false;
        return true;
    }

    void show()
    {
        XMapWindow(display, window);
        XFlush(display);
    }

    NativeHandle handle() const override { return static_cast<NativeHandle>(window); }

    void clientSize(int& width, int& height) const override
    {
        width = own.width;
        height = own.height;
    }

    std::unique_ptr<CompatibleImage> createCompatibleImage(const Bitmap& bitmap) override
    {
        Visual* visual = own.visual;
        if (!visual || visual->c_class != TrueColor || bitmap.width <= 0 || bitmap.height <= 0)
            return nullptr;
        XImage* image = newImage(display, visual, own.depth, bitmap.width, bitmap.height);
        if (!image)
            return nullptr;
        const std::uint8_t* rgb = bitmap.rgb.data();
        for (int y = 0; y < bitmap.height; ++y)
            for (int x = 0; x < bitmap.width; ++x, rgb += 3)
                XPutPixel(image, x, y,
                          channel(rgb[0], visual->red_mask) | channel(rgb[1], visual->green_mask) |
                              channel(rgb[2], visual->blue_mask));
        X11ErrorTrap trap(display);
        GC gc = XCreateGC(display, window, 0, nullptr);
        if (!gc || !trap.ok()) {
            if (gc)
                XFreeGC(display, gc);
            XDestroyImage(image);
            return nullptr;
        }
        return std::make_unique<X11Image>(display, image, gc);
    }

    void stretchBlit(int x, int y, int width, int height, const CompatibleImage& source, int sourceX,
                     int sourceY, int sourceWidth, int sourceHeight) override
    {
        const auto& from = static_cast<const X11Image&>(source);
        if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
            return;
        XImage* target = newImage(display, own.visual, own.depth, width, height);
        if (!target)
            return;
        for (int ty = 0; ty < height; ++ty) {
            int sy = sourceY + stretchSource(ty, height, sourceHeight);
            for (int tx = 0; tx < width; ++tx) {
                int sx = sourceX + stretchSource(tx, width, sourceWidth);
                bool inside = sx >= 0 && sy >= 0 && sx < from.image->width && sy < from.image->height;
                XPutPixel(target, tx, ty, inside ? XGetPixel(from.image, sx, sy) : 0);
            }
        }
        XPutImage(display, window, from.gc, target, 0, 0, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        XFlush(display);
        XDestroyImage(target);
    }

    bool getMessage(ChildMessage& message) override
    {
        for (;;) {
            if (quitPosted || terminationRequested()) {
                quitPosted = false;
                return false;
            }
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (translate(event, message))
                    return true;
            }
            // An ending signal interrupts the wait; the timeout only covers a signal that lands just before it.
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            poll(&connection, 1, 100);
        }
    }

    void dispatch(ChildMessage message) override
    {
        if (procedure)
            procedure(*this, message);
    }

    void postQuit(int) override { quitPosted = true; }

    void created() { dispatch(ChildMessage::Create); }

private:
    bool translate(const XEvent& event, ChildMessage& message)
    {
        switch (event.type) {
        case Expose:
            if (event.xexpose.window != window || event.xexpose.count != 0)
                return false;
            message = ChildMessage::Paint;
            return true;
        case ConfigureNotify:
            if (event.xconfigure.window == window) {
                own.width = event.xconfigure.width;
                own.height = event.xconfigure.height;
            }
            return false;
        case DestroyNotify:
            if (event.xdestroywindow.window != window)
                return false;
            destroyed = true;
            message = ChildMessage::Destroy;
            return true;
        default:
            return false;
        }
    }

    Display* display;
    ChildWindowProcedure procedure;
    Window window = 0;
    XWindowAttributes own{};
    bool destroyed = false;
    bool quitPosted = false;
};

} // namespace

std::unique_ptr<ChildWindow> ChildWindow::create(NativeHandle parent, const ChildWindowSpec& spec,
                                                 ChildWindowProcedure procedure)
{
    Display* display = Linux::x11Connection();
    if (!display || !parent)
        return nullptr;
    auto child = std::make_unique<X11ChildWindow>(display, std::move(procedure));
    if (!child->open(static_cast<Window>(parent), spec))
        return nullptr;
    child->created();  // may throw; child's destructor takes the window down
    child->show();
    return child;
}

bool windowSize(NativeHandle window, int& width, int& height)
{
    Display* display = Linux::x11Connection();
    if (!display || !window)
        return false;
    Linux::X11ErrorTrap trap(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, static_cast<Window>(window), &attributes) || !trap.ok())
        return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

} // namespace System::Platform
