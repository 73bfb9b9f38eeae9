#pragma once
#include "engine/ui/Object.h"

#include <boost/function.hpp>
#include <list>

namespace System {
namespace FX {
class FX;
class Fade;
} // namespace FX

// Keeps every effect created and advances them all once per frame.
class FXManager : public Object {
public:
    static FXManager& instance();

    FX::Fade* createFade(double duration, unsigned char from, unsigned char to,
                         boost::function<void(int)> setter);

    void update(double seconds) override;
    void render(GLDriver& driver) override;
    void prepare(GLDriver& driver) override;

    const std::list<FX::FX*>& getEffects() const { return effects; }

private:
    FXManager();
    std::list<FX::FX*> effects;
};

} // namespace System
