#include "shell/FatalError.h"

#include "platform/MessageBox.h"

#include <cstdlib>

void fatalError(const std::string& message)
{
    using namespace System::Platform;
    messageBox(0, message + "\n" + "The program will now exit" + "\n", "ERROR", MessageBoxButtons::Ok,
               MessageBoxIcon::Error);
    std::exit(1);
}
