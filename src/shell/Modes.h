#pragma once
#include "platform/Handle.h"
#include "shell/RunOverrides.h"

// The three modes the entry can start, plus the X11 hosts' run inside a given window.
void runSaver(System::Platform::NativeHandle host = 0, const RunOverrides& overrides = RunOverrides());
void runPreview(System::Platform::NativeHandle parent);
void showSettingsDialog(System::Platform::NativeHandle owner);
