#include "support/CommandOutput.h"

#include <array>
#include <cstdio>
#include <memory>

std::string CommandOutput(const std::string& command) {
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return output;
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0)
        output.append(chunk.data(), got);
    return output;
}
