#pragma once
#include "engine/Signal.h"
#include "engine/ui/RenderableControl.h"

namespace System {
class Texture;
}

namespace System::UI {

// The top-level window of a scene: optional background texture, frame, shown/hidden signals.
class Form : public RenderableControl {
public:
    explicit Form(const std::string& name);
    ~Form() override;

    Signal<void()> shown;
    Signal<void()> hidden;

    void setVisible(bool value) override;
    virtual unsigned char getAlpha();
    virtual void setAlpha(unsigned char alpha);

    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;
    // Before each view is drawn: the scene's whole frame in the view's 2D drawing coordinates (it may
    // reach past the drawing where the view shows a crop of it), and the part the view shows. A form
    // with one layout of its own ignores it.
    virtual void layOut(const Types::Rect& frame, const Types::Rect& shown)
    {
        (void)frame;
        (void)shown;
    }

    Types::Colour32 getFrameColour() const { return frameColour; }
    void setFrameColour(Types::Colour32 value) { frameColour = value; }
    std::int32_t getDrawFrame() const { return drawFrame; }
    void setDrawFrame(std::int32_t value) { drawFrame = value; }
    Texture* getBackground() const { return background; }
    void setBackground(Texture* value) { background = value; }

protected:
    Types::Colour32 frameColour;
    std::int32_t drawFrame = 1;
    Texture* background = nullptr;
};

} // namespace System::UI
