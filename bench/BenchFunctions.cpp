// SPDX-License-Identifier: MIT
#include "BenchFunctions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "sim/MachineFileLoader.h"

std::vector<BenchFunction> BuiltinFunctionsOverAndOver(int count) {
    MachineLoad load = MachineFileLoader::Load("builtin");
    if (!load.Ok()) {
        std::fprintf(stderr, "%s\n", load.error.c_str());
        return {};
    }
    const auto& machine = load.machine->Functions();
    std::vector<BenchFunction> functions;
    for (int i = 0; i < count; ++i)
        functions.push_back(
            {i / 32, i % 32, machine[static_cast<size_t>(i) % machine.size()].Config()});
    return functions;
}

std::string LspciDump(const std::vector<BenchFunction>& functions) {
    std::string text;
    char line[64];
    for (const BenchFunction& f : functions) {
        std::snprintf(line, sizeof line, "%02x:%02x.0 Device\n", f.bus, f.device);
        text += line;
        for (size_t row = 0; row < f.config.size(); row += 16) {
            std::snprintf(line, sizeof line, "%03zx:", row);
            text += line;
            for (size_t b = 0; b < 16; ++b) {
                std::snprintf(line, sizeof line, " %02x", f.config[row + b]);
                text += line;
            }
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

std::string MachineFileOf(const std::vector<BenchFunction>& functions) {
    std::string json =
        R"({"name": "bench", "ecam": {"base": "0xE0000000", "buses": 256}, "functions": [)";
    char text[16];
    for (size_t i = 0; i < functions.size(); ++i) {
        const BenchFunction& f = functions[i];
        std::snprintf(text, sizeof text, "%02x:%02x.0", f.bus, f.device);
        json += std::string(i ? ", " : "") + R"({"bdf": ")" + text + R"(", "config": ")";
        for (uint8_t byte : f.config) {
            std::snprintf(text, sizeof text, "%02x", byte);
            json += text;
        }
        json += R"("})";
    }
    return json + "]}\n";
}

QuietStderr::QuietStderr() : saved_(dup(2)) {
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, 2);
        close(null);
    }
}

QuietStderr::~QuietStderr() {
    dup2(saved_, 2);
    close(saved_);
}
