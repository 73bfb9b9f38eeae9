// settings_writer PREFIX COUNT GATE: waits until the file GATE exists, then saves settings COUNT times
// through the program's own writer, each time in a transaction of its own: the value PREFIX<i> = i, the
// text PREFIXtext = "PREFIX \"round\" <i>", and every tenth round the whole saver configuration
// (SaverConfig's save). Exits 0 when every save went through, 1 otherwise.
#include "config/RegistryWriter.h"
#include "config/SaverConfig.h"
#include "base/Exception.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: settings_writer PREFIX COUNT GATE\n");
        return 2;
    }
    const std::string prefix = argv[1];
    const int count = std::atoi(argv[2]);
    while (access(argv[3], F_OK) != 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    try {
        for (int i = 0; i < count; ++i) {
            {
                System::RegistryWriter writer(SaverConfig::keyPath);
                writer.writeDword(prefix + std::to_string(i), static_cast<std::uint32_t>(i));
                writer.writeText(prefix + "text", prefix + " \"round\" " + std::to_string(i));
            }
            if (i % 10 == 0) {
                SaverConfig config;
                config.options.Gamma = i % 101;
                config.save();
            }
        }
    } catch (const System::Exception& e) {
        std::fprintf(stderr, "settings_writer: %s\n", e.message().c_str());
        return 1;
    }
    return 0;
}
