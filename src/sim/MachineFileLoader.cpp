// SPDX-License-Identifier: MIT
#include "sim/MachineFileLoader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>

#include "platform/route/MachineSelection.h"
#include "platform/trust/RegularFile.h"
#include "sim/BuiltinMachine.h"
#include "sim/LspciDumpParser.h"
#include "sim/MachineJsonParser.h"

namespace {

MachineLoad Failed(const std::string& message) {
    MachineLoad load;
    load.error = message;
    return load;
}

}  // namespace

MachineLoad MachineFileLoader::Load(const std::string& fileOrBuiltin) {
    if (fileOrBuiltin == kBuiltinName) {
        return LoadText(std::string(BuiltinMachineJson()), kBuiltinName);
    }
    return LoadFile(fileOrBuiltin);
}

MachineLoad MachineFileLoader::LoadFile(const std::string& path) {
    const std::filesystem::path given(path);
    const std::filesystem::path folderName = given.has_parent_path() ? given.parent_path() : ".";
    // "dir/" names its folder: refused below as one.
    const std::filesystem::path name = given.has_filename() ? given.filename() : ".";
    int folder = open(folderName.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return Failed(path + ": cannot open machine file: " + std::strerror(errno));
    std::string text;
    std::string problem;
    RegularFileRead how;
    how.limit = kMaxMachineFileBytes;
    how.folder = folder;
    MachineLoad load = ReadRegularFile(name.string(), how, &text, &problem)
                           ? LoadTextIn(text, path, folder)
                           : Failed(path + ": cannot open machine file: " + problem);
    close(folder);
    return load;
}

MachineLoad MachineFileLoader::LoadText(const std::string& text, const std::string& fileName) {
    return LoadTextIn(text, fileName, -1);
}

MachineLoad MachineFileLoader::LoadTextIn(const std::string& text, const std::string& fileName,
                                          int folder) {
    try {
        size_t first = text.find_first_not_of(" \t\r\n");
        if (first != std::string::npos && text[first] == '{') {
            return MachineJsonParser(fileName, folder).Parse(text);
        }
        return LspciDumpParser(fileName).Parse(text);
    } catch (const std::bad_alloc&) {
        return Failed(fileName + ": too large to hold in memory");
    } catch (const std::length_error&) {
        return Failed(fileName + ": too large to hold in memory");
    }
}
