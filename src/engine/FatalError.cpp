#include "engine/FatalError.h"

#include "platform/MessageBox.h"

#include <cstdlib>

namespace System {

void fatalError(const std::string& message)
{
    using namespace Platform;
    messageBox(0, message + "\n" + "The program will now exit" + "\n", "ERROR", MessageBoxButtons::Ok,
               MessageBoxIcon::Error);
    std::exit(1);
}

} // namespace System
