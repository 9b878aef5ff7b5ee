// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "sim/MachineLoad.h"

// Reads a machine file of either form, told apart by content: JSON starts
// with '{', anything else is taken as an lspci dump.
class MachineFileLoader {
  public:
    static constexpr const char* kBuiltinName = "builtin";

    // A path, or "builtin" for the embedded workstation.
    static MachineLoad Load(const std::string& fileOrBuiltin);
    // The file's folder is opened first and kept open: its "file" regions
    // are read beneath it, wherever its path may lead meanwhile.
    static MachineLoad LoadFile(const std::string& path);
    // Text without a folder: fileName is used in messages, and file
    // regions are refused.
    static MachineLoad LoadText(const std::string& text, const std::string& fileName);

  private:
    // folder: an open folder for file regions, or -1.
    static MachineLoad LoadTextIn(const std::string& text, const std::string& fileName, int folder);
};
