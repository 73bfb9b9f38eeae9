#pragma once
// What a GL renderer string says about the renderer.

namespace System::Platform {

// True for the software renderers (Mesa's llvmpipe, softpipe and swrast, OpenSWR) by the
// GL_RENDERER string; false for null.
bool isSoftwareRenderer(const char* renderer);

} // namespace System::Platform
