// Interim: the preview window comes with the preview work.
#include "shell/Modes.h"

void runPreview(System::Platform::NativeHandle)
{
}
