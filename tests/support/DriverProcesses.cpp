// SPDX-License-Identifier: MIT
#include "support/DriverProcesses.h"

#include <filesystem>

#include "support/FileText.h"

int DriverProcessesServing(const std::string& runtimeDirectory) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path driver = fs::canonical(std::string(TARVOLENT_BIN_DIR) + "/BOREX64.SYS", error);
    if (error) return 0;
    const std::string wanted = "BOREALIX_RUNTIME_DIR=" + runtimeDirectory;
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        std::error_code ignored;
        if (fs::read_symlink(entry.path() / "exe", ignored) != driver) continue;
        const std::string environment = ReadWholeFile(entry.path() / "environ");
        for (size_t start = 0; start < environment.size();) {
            size_t end = environment.find('\0', start);
            if (end == std::string::npos) end = environment.size();
            if (environment.compare(start, end - start, wanted) == 0) ++count;
            start = end + 1;
        }
    }
    return count;
}
