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
    static MachineLoad LoadFile(const std::string& path);
    // fileName is used in messages; baseDirectory resolves "file" regions.
    static MachineLoad LoadText(const std::string& text, const std::string& fileName,
                                const std::string& baseDirectory);
};
