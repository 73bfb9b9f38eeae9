// Interim: the settings dialog comes with the dialog work.
#include "shell/Modes.h"

void showSettingsDialog(System::Platform::NativeHandle)
{
}
