// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

#include "platform/trust/OutputFile.h"

inline constexpr const char* kUnableToOpenFileMessage = "Error! Unable to open file!";
inline constexpr const char* kUnableToWriteFileMessage = "Error! Unable to write file!";

// Closes a file that reports were written into; a write that failed (a full
// disk) is reported rather than passed over. False when one failed.
bool CloseReportFile(std::FILE* file);

// Opens the file the user chose for the reports (or, as a MemoryDump, for a
// memory window's data) as output_file::OpenStream does; nullptr after
// showing "Error! Unable to open file!", followed by why where the file
// was refused.
std::FILE* OpenReportFile(const std::string& path, output_file::Kind kind, const char* mode);
