// The console command parser over any line: a command runs, nothing runs, or an Exception is thrown.
#include "engine/CommandRegistry.h"
#include "base/Exception.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static System::CommandRegistry* registry = [] {
        auto* made = new System::CommandRegistry();
        made->add(new System::Command("quit", "", boost::function<void()>([] {})));
        made->add(new System::Command("exit", "", boost::function<void()>([] {})));
        made->add(new System::Command("wf_mode", "", boost::function<void(const std::string&)>([](const std::string& argument) {
            if (argument.empty() || argument.find(' ') != std::string::npos)
                std::abort();
        })));
        return made;
    }();
    try {
        registry->execute(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const System::Exception&) {
    }
    return 0;
}
