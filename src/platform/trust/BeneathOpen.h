// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Opens a file named relative to an open folder so that it stays inside
// that folder whatever happens to the paths meanwhile: no absolute name, no
// "..", and no symbolic link at any step, the name's last part included. A
// folder swapped for a link between a check and the open cannot lead out.
namespace beneath {

// openat2 with RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS where the kernel has it,
// else Walk. The descriptor, or -1 with errno set: ELOOP for a link on the
// way, EXDEV for a name that would leave the folder.
int Open(int folder, const std::string& relative, int flags);
// The same one part at a time, each folder opened with O_NOFOLLOW beneath
// the one before.
int Walk(int folder, const std::string& relative, int flags);

}  // namespace beneath
