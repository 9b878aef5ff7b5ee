// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

// Files the user names for output (-o, Save, Save All). A link at the name
// is not followed, and an existing file is written only when it is this
// user's (or root's, which nobody hostile can have made) and has no other
// name: otherwise whoever planted it would read what is written, or see it
// written over a file of their choosing. It is emptied only once it passed,
// so a refused one is left as it was. Reports are created as the umask
// says; memory dumps, private, 0600.
namespace output_file {

enum class Kind { Report, MemoryDump };

// The descriptor, or -1 with errno set; *problem then says why the file
// was refused ("it is a symbolic link", "it belongs to user 65534"), or is
// empty when it just could not be opened.
int Open(const std::string& path, Kind kind, std::string* problem);
// The same as a stream with fopen's `mode` ("w", "wb").
std::FILE* OpenStream(const std::string& path, Kind kind, const char* mode, std::string* problem);

}  // namespace output_file
