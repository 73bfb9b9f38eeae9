#include "platform/common/QuitLatch.h"

#include <atomic>
#include <csignal>

namespace System::Platform::Common {

namespace {
std::atomic<bool> g_quitPosted{false};
std::atomic<int> g_quitCode{0};
volatile std::sig_atomic_t g_terminated = 0;
} // namespace

void noteTermination()
{
    g_terminated = 1;
}

bool terminationNoted()
{
    return g_terminated != 0;
}

void latchQuit(int exitCode)
{
    g_quitCode = exitCode;
    g_quitPosted = true;
}

bool takeQuit(Message& out)
{
    if (g_terminated && !g_quitPosted.load()) {
        g_quitCode = 0;
        g_quitPosted = true;
    }
    if (!g_quitPosted.exchange(false))
        return false;
    out = Message();
    out.kind = Message::Kind::Quit;
    out.exitCode = g_quitCode.load();
    return true;
}

} // namespace System::Platform::Common
