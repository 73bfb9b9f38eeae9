// Interim: the loading picture and the black screen come with the resources work.
#include "scene/SSLevelFactory.h"

#include "engine/ui/Object.h"

namespace System {

Object* SSLevelFactory::createLevel()
{
    return nullptr;
}

Object* SSLevelFactory::createBlankLevel()
{
    return new Object("");
}

Object* SSLevelFactory::createLoadingScreen(Types::Rect)
{
    return new Object("");
}

} // namespace System
