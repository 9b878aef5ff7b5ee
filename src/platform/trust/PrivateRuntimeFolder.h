// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Anyone can make borealix-UID in the temporary directory before its user
// does. Where that one is not this user's, a folder of this user's own
// beside it serves instead: "borealix-UID-XXXXXX" (mkdtemp, mode 0700), its
// name not known beforehand. A later program finds it again as the first
// such folder that passes the trust check, which only a folder this user
// made can pass, so drivers are still shared and nothing another user made
// is ever used.
namespace private_runtime {

// The folder to use instead of `refused` (why in `problem`), made when
// there is none; a note on stderr says so, once per process. "" when none
// can be made or trusted either.
std::string FolderInstead(const std::string& refused, const std::string& problem);

}  // namespace private_runtime
