// SPDX-License-Identifier: MIT
// Machine files as JSON: whatever the bytes, a machine or a named error.
#include <string>

#include "FuzzCheck.h"
#include "MachineChecks.h"
#include "sim/MachineFileLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    // The loader tells the two forms apart by a leading '{': JSON it is.
    std::string text;
    if (size == 0 || data[0] != '{') text.push_back('{');
    text.append(reinterpret_cast<const char*>(data), size);
    const std::string fileName = "fuzz.json";
    CheckMachineLoad(MachineFileLoader::LoadText(text, fileName), fileName);
    return 0;
}
