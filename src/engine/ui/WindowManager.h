#pragma once
#include "engine/ui/KeyListener.h"
#include "engine/ui/Object.h"

namespace System {
namespace UI {
class Form;
}

// Knows the one current window: draws it and passes input events on to it.
class WindowManager : public Object, public IO::KeyListener {
public:
    static WindowManager& instance();

    WindowManager();
    ~WindowManager() override;

    void addWindow(UI::Form* form);
    UI::Form* getCurrentWindow() const { return currentWindow; }

    void render(GLDriver& driver) override;

    void keyDown(unsigned long code) override;
    void keyUp(unsigned long code) override;
    void mouseMove(Types::Point motion) override;
    void keyReleased(unsigned long code, char character) override;
    void keyPressed(unsigned long code, char character) override;

private:
    UI::Form* currentWindow = nullptr;
};

} // namespace System
