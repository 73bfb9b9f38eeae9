#pragma once
#include "engine/LevelFactory.h"

namespace System {

// The screensaver's level factory: the loading picture, the black screen.
class SSLevelFactory final : public LevelFactory {
public:
    Object* createLevel() override;
    Object* createBlankLevel() override;
    Object* createLoadingScreen(Types::Rect area) override;
};

} // namespace System
