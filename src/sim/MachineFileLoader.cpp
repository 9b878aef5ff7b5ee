#include "sim/MachineFileLoader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        MachineLoad load;
        load.error = path + ": cannot open machine file: " + std::strerror(errno);
        return load;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        MachineLoad load;
        load.error = path + ": cannot read machine file";
        return load;
    }
    return LoadText(text, path, std::filesystem::path(path).parent_path().string());
}

MachineLoad MachineFileLoader::LoadText(const std::string& text, const std::string& fileName,
                                        const std::string& baseDirectory) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '{') {
        return MachineJsonParser(fileName, baseDirectory).Parse(text);
    }
    return LspciDumpParser(fileName).Parse(text);
}
