#pragma once
#include "base/Types.h"

namespace System {
class Object;

// Makes the objects a run shows; the engine asks only for the loading screen.
class LevelFactory {
public:
    virtual Object* createLevel();
    virtual Object* createBlankLevel();
    virtual Object* createLoadingScreen(Types::Rect area);

protected:
    // Owners free factories as their concrete class.
    ~LevelFactory() = default;
};

} // namespace System
