#include "engine/ui/FX.h"

namespace System::FX {

void FX::onFinished(const boost::function<void()>& handler)
{
    finished.connect(handler);
}

} // namespace System::FX
