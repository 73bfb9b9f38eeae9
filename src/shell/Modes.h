#pragma once
#include "platform/Handle.h"

// The three modes the entry can start, plus the X11 hosts' run inside a given window.
void runSaver(System::Platform::NativeHandle host = 0);
void runPreview(System::Platform::NativeHandle parent);
void showSettingsDialog(System::Platform::NativeHandle owner);
