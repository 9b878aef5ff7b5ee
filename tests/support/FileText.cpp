// SPDX-License-Identifier: MIT
#include "support/FileText.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

std::string WrittenText(const std::function<void(std::FILE*)>& write) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&data, &size);
    if (!file) return {};
    write(file);
    std::fclose(file);
    std::string text(data, size);
    std::free(data);
    return text;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
