#include "process/platform.h"

#include <QtGlobal>

// Alone in its file, so that a test program can link the other profile's in its place
// (tests/support/macosprofile.cpp) and run the macOS texts on Linux.
Platform nativePlatform()
{
#if defined(Q_OS_MACOS)
    return Platform::MacOS;
#elif defined(Q_OS_LINUX)
    return Platform::Linux;
#else
#error "No platform profile for this system: add a member to Platform and fill each place the compiler names"
#endif
}
