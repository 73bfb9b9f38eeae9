#pragma once
#include "engine/LevelFactory.h"

#include <vector>

namespace System {

// The screensaver's level factory: the loading picture, the black screen, and the forest's picture set.
class SSLevelFactory final : public LevelFactory {
public:
    Object* createLevel() override;
    Object* createBlankLevel() override;
    Object* createLoadingScreen(Types::Rect area) override;

    // The forest's picture set for a run: 1 (the 1x set, full-screen layers of 1024 texels) where the
    // scene's whole frame on every view (the view itself, or larger where the view shows a crop of it)
    // is at most 2048 pixels on each side, so no picture is magnified more than twice; 2 (the 2x set)
    // above. Without views the scene's own area decides.
    static int pictureScale(const Types::Rect& area, const std::vector<Types::Rect>& views);
};

} // namespace System
