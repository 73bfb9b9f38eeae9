// Linux platform layer: standard descriptors 0-2 that the starting program left closed are filled
// with /dev/null. Otherwise the next open (the X connection, say) takes descriptor 2 and every
// library's diagnostic is written into it. Runs as an early constructor too, before the libraries'
// own initialisers, and once more from main. Depends on: POSIX.
#include "platform/SystemInfo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace System::Platform {

void openClosedStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open() takes the lowest free number, which is this one: the ones below are open.
        int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd)
            ::close(opened);  // cannot happen with the lower numbers open; never keep a stray one
    }
}

namespace {
__attribute__((constructor(101))) void openClosedStandardStreamsEarly()
{
    openClosedStandardStreams();
}
} // namespace

} // namespace System::Platform
