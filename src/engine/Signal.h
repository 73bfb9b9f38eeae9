#pragma once
// The engine's signal type: Boost.Signals2 without locking, since every signal is fired and
// connected on the engine's one thread.
#include <boost/signals2/dummy_mutex.hpp>
#include <boost/signals2/signal_type.hpp>

namespace System {

template <typename Signature>
using Signal = typename boost::signals2::signal_type<
    Signature, boost::signals2::keywords::mutex_type<boost::signals2::dummy_mutex>>::type;

} // namespace System
