#pragma once
#include <cstdint>
#include <vector>

namespace System {
class Texture;

// Measures which cells of the texture's picture hold a texel with alpha above 0 and records them on
// the texture (see Texture::getCoverage). Nothing is recorded for pictures without alpha, for
// pictures that are covered everywhere, and for sampling that can reach far from a texel (mipmaps,
// repeat): drawing then covers the whole quad. The covered cells grow by one cell on every side, so
// a skipped pixel never samples a visible texel, not even with linear sampling or when its centre
// falls on a texel edge. Opaque cells (every texel that can be sampled there has alpha 255) are
// recorded too, shrunk by one cell; a picture without alpha is opaque everywhere.
void measureCoverage(Texture& texture);

} // namespace System
