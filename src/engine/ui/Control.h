#pragma once
#include "engine/ui/KeyListener.h"

#include <string>

namespace System::UI {

// A listener with a text.
class Control : public IO::KeyListener {
public:
    Control() = default;

    virtual std::string getText();
    virtual void setText(const std::string& value);

protected:
    ~Control() = default;
    std::string text;
};

} // namespace System::UI
