#pragma once
#include "base/Types.h"
#include "engine/ui/Control.h"
#include "engine/ui/Object.h"

#include <cstdint>
#include <string>

namespace System {
class Font;
}

namespace System::UI {

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A control placed in the object tree, with geometry, font and colours.
class RenderableControl : public Control, public Object {
public:
    RenderableControl(RenderableControl* parent, const std::string& name, Font* font,
                      Types::Colour32 colour, int x, int y, int width, int height);
    ~RenderableControl() override;

    virtual bool isVisible();
    virtual void setVisible(bool value);

    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;

    Types::Point absolutePosition() const;
    Types::Rect bounds() const;
    Types::Colour32 getColour() const { return colour; }
    void setColour(Types::Colour32 value) { colour = value; }

    Types::Point getPosition() const { return position; }
    void setPosition(Types::Point value) { position = value; }
    Size getSize() const { return size; }
    void setSize(Size value) { size = value; }
    Font* getFont() const { return font; }
    void setFont(Font* value) { font = value; }
    std::int32_t getDrawBorder() const { return drawBorder; }
    void setDrawBorder(std::int32_t value) { drawBorder = value; }
    Types::Colour32 getBorderColour() const { return borderColour; }
    void setBorderColour(Types::Colour32 value) { borderColour = value; }
    RenderableControl* getParent() const { return parent; }

protected:
    Types::Point position;
    Size size;
    Font* font = nullptr;
    Types::Colour32 colour;
    std::int32_t drawBorder = 0;
    Types::Colour32 borderColour;
    RenderableControl* parent = nullptr;
    std::uint8_t visible = 1;
};

} // namespace System::UI
