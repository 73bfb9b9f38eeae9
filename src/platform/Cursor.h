#pragma once

namespace System::Platform {

// The cursor display counter: show adds one, hide takes one away; the cursor is visible while the
// counter is 0 or more. Returns the new counter.
int showCursor(bool show);

} // namespace System::Platform
