#pragma once

#include <cstdio>

inline constexpr const char* kUnableToOpenFileMessage = "Error! Unable to open file!";
inline constexpr const char* kUnableToWriteFileMessage = "Error! Unable to write file!";

// Closes a file that reports were written into; a write that failed (a full
// disk) is reported rather than passed over. False when one failed.
bool CloseReportFile(std::FILE* file);
