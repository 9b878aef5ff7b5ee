// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstdlib>

#include "platform/SystemServices.h"

// When a test runs this test program again with TARVOLENT_WRITE_PROBE=DIR
// (as another user, through setpriv), it prints before any test runs "y"
// when the native system services say it may write in DIR, else "n".
namespace {

const bool kProbing = [] {
    if (const char* directory = std::getenv("TARVOLENT_WRITE_PROBE")) {
        std::puts(SystemServices::Native().MayWriteDirectory(directory) ? "y" : "n");
        std::exit(0);
    }
    return false;
}();

}  // namespace
