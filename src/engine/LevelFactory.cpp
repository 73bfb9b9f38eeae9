#include "engine/LevelFactory.h"

#include "engine/ui/Object.h"

namespace System {

Object* LevelFactory::createLevel()
{
    return new Object("");
}

Object* LevelFactory::createBlankLevel()
{
    return new Object("");
}

Object* LevelFactory::createLoadingScreen(Types::Rect)
{
    return new Object("");
}

} // namespace System
