#pragma once
// A textured quad queued in a planned frame: what the plan's arithmetic reads (FramePlan.h), and
// what drawing it needs.
#include "engine/FramePlan.h"

namespace System {
class Texture;

struct PlannedQuad : PlanQuad {
    const Texture* texture;
    unsigned int glName;
};

} // namespace System
