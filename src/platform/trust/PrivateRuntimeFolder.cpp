// SPDX-License-Identifier: MIT
#include "platform/trust/PrivateRuntimeFolder.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/trust/TrustedPath.h"

namespace private_runtime {

namespace {

constexpr size_t kSuffixLength = 6;  // mkdtemp's XXXXXX

// The choice is kept: every request asks again, and a process keeps to the
// folder its driver was started in.
std::mutex mutex;
std::string chosenFor;
std::string chosen;

// The trusted folders PREFIX + XXXXXX in `parent`, in name order.
std::vector<std::string> FoldersFound(const std::string& parent, const std::string& prefix) {
    std::vector<std::string> found;
    DIR* directory = opendir(parent.c_str());
    if (!directory) return found;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kSuffixLength || name.rfind(prefix, 0) != 0) continue;
        if (trusted_path::DirectoryProblem(parent + name).empty()) found.push_back(parent + name);
    }
    closedir(directory);
    std::sort(found.begin(), found.end());
    return found;
}

std::string Made(const std::string& prefix) {
    std::string pattern = prefix + std::string(kSuffixLength, 'X');
    if (!mkdtemp(pattern.data())) return {};
    if (trusted_path::DirectoryProblem(pattern).empty()) return pattern;
    rmdir(pattern.c_str());
    return {};
}

}  // namespace

std::string FolderInstead(const std::string& refused, const std::string& problem) {
    const size_t slash = refused.rfind('/');
    if (slash == std::string::npos) return {};
    const std::string parent = refused.substr(0, slash + 1);
    const std::string prefix = refused.substr(slash + 1) + "-";
    std::lock_guard<std::mutex> guard(mutex);
    if (chosenFor == refused && trusted_path::DirectoryProblem(chosen).empty()) return chosen;
    std::vector<std::string> found = FoldersFound(parent, prefix);
    std::string folder = found.empty() ? Made(parent + prefix) : found.front();
    if (folder.empty()) return folder;
    std::fprintf(stderr, "Note: %s is not used (%s): %s serves instead\n", refused.c_str(),
                 problem.c_str(), folder.c_str());
    chosenFor = refused;
    chosen = folder;
    return folder;
}

}  // namespace private_runtime
