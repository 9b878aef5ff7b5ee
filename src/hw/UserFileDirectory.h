// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Where the user's own files go when nobody chose a folder: the save dialog
// opens there and the memory window's temporary files fall back to it. The
// program directory where this user may write there (a build tree), else the
// user's home directory, since an installed program directory is read-only
// for users. Like ProgramDirectory, makes the program directory current.
std::string UserFileDirectory();
