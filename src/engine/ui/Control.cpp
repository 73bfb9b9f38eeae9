#include "engine/ui/Control.h"

namespace System::UI {

std::string Control::getText()
{
    return text;
}

void Control::setText(const std::string& value)
{
    text = value;
}

} // namespace System::UI
