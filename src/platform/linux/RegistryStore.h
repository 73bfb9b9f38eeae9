#pragma once
// Where the Linux registry keys are kept: one file, user.reg, in the folder named here.
#include <string>

namespace System::Platform {

// $XDG_CONFIG_HOME/fernhollow; $HOME/.config/fernhollow when XDG_CONFIG_HOME is unset, empty or
// relative; the password database's home folder when HOME is unset, empty or relative. Empty when
// there is no home folder at all. Read from the environment at every call.
std::string registryFolder();

} // namespace System::Platform
