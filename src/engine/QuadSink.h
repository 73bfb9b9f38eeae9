#pragma once
// Where the driver's drawQuad sends its quads instead of drawing them, while a sink is set: the
// benchmarks record a frame's quads and replay them in other ways; tests check what would be drawn.
#include "base/Types.h"

#include <vector>

namespace System {

struct RecordedQuad {
    float matrix[16];     // the model-view matrix, column-major
    Types::Rect rect;
    unsigned int texture; // the GL name, 0 for none
    float colour[4];      // the current colour
};

class QuadSink {
public:
    virtual ~QuadSink() = default;
    virtual void take(const RecordedQuad& quad) = 0;
};

// The plain sink: the quads in the order drawn.
class QuadList final : public QuadSink {
public:
    void take(const RecordedQuad& quad) override { quads.push_back(quad); }
    std::vector<RecordedQuad> quads;
};

} // namespace System
