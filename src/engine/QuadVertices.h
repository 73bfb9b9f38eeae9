#pragma once
// The four corners of a 2D quad, as every drawing path of the driver sends them.
#include "base/Types.h"

namespace System {

// Inside glBegin(GL_QUADS): one quad over the part of rect that shows texture coordinates
// s0..s1, t0..t1 (t = 1 at the top).
void quadVertices(const Types::Rect& rect, float s0, float t0, float s1, float t1);

} // namespace System
