#pragma once
#include "engine/Signal.h"
#include "engine/ui/IRenderableObject.h"

#include <boost/function.hpp>

namespace System::FX {

// A time-driven effect advanced by the frame's elapsed seconds.
class FX : public IRenderableObject {
public:
    Signal<void()> finished;

    virtual void start() = 0;
    virtual void update(double seconds) = 0;
    // The connection lasts as long as the effect.
    virtual void onFinished(const boost::function<void()>& handler);
};

} // namespace System::FX
