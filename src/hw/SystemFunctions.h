#pragma once

#include <string>

inline constexpr int OS_OTHER = 0;
inline constexpr int OS_WIN9X = 1;
inline constexpr int OS_WINME = 4;
inline constexpr int OS_WIN2000 = 8;
inline constexpr int OS_WINXP = 16;
inline constexpr int OS_WIN2003 = 32;

int ClassifyWindowsVersion();
// True for the family codes that take the 9x route.
bool IsWin9xFamily(int code);
// The program's directory with a trailing '/'; also makes it the current
// directory.
std::string ProgramDirectory();
int IsHexString(const std::string& text);
int ProcessorCount();
