#include "sim/MachineFileLoader.h"

#include <filesystem>

#include "platform/route/MachineSelection.h"
#include "platform/trust/RegularFile.h"
#include "sim/BuiltinMachine.h"
#include "sim/LspciDumpParser.h"
#include "sim/MachineJsonParser.h"

MachineLoad MachineFileLoader::Load(const std::string& fileOrBuiltin) {
    if (fileOrBuiltin == kBuiltinName) {
        return LoadText(std::string(BuiltinMachineJson()), kBuiltinName, "");
    }
    return LoadFile(fileOrBuiltin);
}

MachineLoad MachineFileLoader::LoadFile(const std::string& path) {
    std::string text;
    std::string problem;
    RegularFileRead how;
    how.limit = kMaxMachineFileBytes;
    if (!ReadRegularFile(path, how, &text, &problem)) {
        MachineLoad load;
        load.error = path + ": cannot open machine file: " + problem;
        return load;
    }
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return LoadText(text, path, folder.empty() ? "." : folder.string());
}

MachineLoad MachineFileLoader::LoadText(const std::string& text, const std::string& fileName,
                                        const std::string& baseDirectory) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '{') {
        return MachineJsonParser(fileName, baseDirectory).Parse(text);
    }
    return LspciDumpParser(fileName).Parse(text);
}
