#include "engine/ui/FXManager.h"

#include "engine/ui/Fade.h"

namespace System {

FXManager& FXManager::instance()
{
    // Never destroyed: effects may still be referenced while the process ends.
    static FXManager* manager = new FXManager();
    return *manager;
}

FXManager::FXManager() : Object("FXManager")
{
}

FX::Fade* FXManager::createFade(double duration, unsigned char from, unsigned char to,
                                boost::function<void(int)> setter)
{
    auto* fade = new FX::Fade(duration, from, to, std::move(setter));
    effects.push_back(fade);
    return fade;
}

void FXManager::update(double seconds)
{
    for (FX::FX* effect : effects)
        effect->update(seconds);
}

void FXManager::render(GLDriver&)
{
}

void FXManager::prepare(GLDriver&)
{
}

} // namespace System
