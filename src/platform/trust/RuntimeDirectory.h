// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// $BOREALIX_RUNTIME_DIR, else $XDG_RUNTIME_DIR/borealix, else
// borealix-UID in the temporary directory ($TMPDIR or /tmp), as an absolute
// path without a trailing '/'. Created on first use (mode 0700). Where
// another user made borealix-UID first, a private folder of this user's
// beside it serves instead (see private_runtime); a folder named in the
// environment is kept, and refused if it must be.
std::string RuntimeDirectory();

// "" when the runtime directory may be trusted (see trusted_path), else a
// message that names it and what is wrong. The system driver's folder is
// never a runtime directory, not even root's. Nothing in a refused directory is
// read, run or connected to.
std::string RuntimeDirectoryProblem();

// The message for a refused path inside the runtime directory.
std::string RefusalMessage(const std::string& what, const std::string& path,
                           const std::string& problem);
