// Linked in place of process/nativeplatform.cpp: the program's every default is the macOS
// profile's, its texts run against the stand-ins of tests/support/macos.
#include "process/platform.h"

Platform nativePlatform()
{
    return Platform::MacOS;
}
