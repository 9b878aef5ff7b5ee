// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

// A file that readers must only ever see whole, such as one a collector
// picks up at any moment: the text goes into a new file beside it, which is
// then renamed over it. A reader sees the old file or the new one, never
// half of one. The same names are refused as output_file::Open refuses,
// and also anything that is not a regular file, which a rename would replace.
namespace output_file {

// False with *problem set (what is wrong, or the failing call and errno's
// text) when the file was left as it was.
bool Replace(const std::string& path, std::string_view text, mode_t mode, std::string* problem);

}  // namespace output_file
