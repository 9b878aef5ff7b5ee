// SPDX-License-Identifier: MIT
#include "platform/trust/PrivateTempFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustedPath.h"

namespace private_temp {

namespace {

constexpr char kPrefix[] = "tarvolent-";

// Filled under the mutex, read also by signal handlers. A process has its
// folder under the temporary directory, and one under each fallback folder
// it had to use instead.
constexpr int kMaxFolders = 4;
std::mutex mutex;
char folders[kMaxFolders][4096];
std::string bases[kMaxFolders];  // what each folder was made in
pid_t creator = 0;

// The start time of a process in clock ticks since boot, field 22 of
// /proc/PID/stat; 0 when it does not run (or cannot be seen).
unsigned long long StartTime(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[1024];
    ssize_t got = read(fd, text, sizeof(text) - 1);
    close(fd);
    if (got <= 0) return 0;
    text[got] = '\0';
    // The name in field 2 may hold anything, brackets included: count from
    // its last closing bracket.
    char* field = std::strrchr(text, ')');
    if (!field) return 0;
    for (int number = 2; number < 22 && field; ++number) field = std::strchr(field + 1, ' ');
    return field ? std::strtoull(field + 1, nullptr, 10) : 0;
}

// "tarvolent-PID-START-XXXXXX": the process it belongs to.
bool ParseName(const std::string& name, pid_t* pid, unsigned long long* start) {
    if (name.rfind(kPrefix, 0) != 0) return false;
    const char* cursor = name.c_str() + sizeof(kPrefix) - 1;
    char* end = nullptr;
    errno = 0;
    unsigned long pidNumber = std::strtoul(cursor, &end, 10);
    if (end == cursor || *end != '-' || errno || pidNumber == 0 || pidNumber > 0x7FFFFFFF) {
        return false;
    }
    cursor = end + 1;
    *start = std::strtoull(cursor, &end, 10);
    if (end == cursor || *end != '-' || errno || std::strlen(end + 1) != 6) return false;
    *pid = static_cast<pid_t>(pidNumber);
    return true;
}

bool StillRuns(pid_t pid, unsigned long long start) {
    if (std::filesystem::exists("/proc/self/stat")) return StartTime(pid) == start;
    return kill(pid, 0) == 0 || errno == EPERM;  // no /proc: the pid alone
}

// Only system calls, so it may run in a signal handler. The folder is ours
// and private: it holds plain files, and nobody else can add to it.
void RemoveFolder(const char* folder) {
    int directory = open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (directory >= 0) {
        alignas(8) char entries[4096];
        long got;
        while ((got = syscall(SYS_getdents64, directory, entries, sizeof(entries))) > 0) {
            for (long offset = 0; offset < got;) {
                auto* entry = reinterpret_cast<struct dirent64*>(entries + offset);
                const char* name = entry->d_name;
                bool dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && !name[2]));
                if (!dots) unlinkat(directory, name, 0);
                offset += entry->d_reclen;
            }
        }
        close(directory);
    }
    rmdir(folder);
}

void RemoveAtExit() {
    Remove();
}

void RemoveAndResignal(int signalNumber) {
    Remove();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);  // delivered once this handler returns
}

}  // namespace

std::string TemporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = tmp && *tmp ? tmp : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

std::string Folder() {
    return FolderIn(TemporaryDirectory());
}

std::string FolderIn(const std::string& directory, std::string* refusal) {
    if (directory.empty()) return {};
    const std::string base = directory.back() == '/' ? directory : directory + "/";
    std::lock_guard<std::mutex> guard(mutex);
    if (creator != getpid()) {
        // A forked child leaves its parent's folders alone and makes its own.
        for (int i = 0; i < kMaxFolders; ++i) folders[i][0] = '\0';
        creator = getpid();
    }
    int slot = -1;
    for (int i = 0; i < kMaxFolders && slot < 0; ++i) {
        if (folders[i][0] && bases[i] == base) slot = i;
    }
    std::error_code error;
    if (slot >= 0 && std::filesystem::is_directory(folders[slot], error)) {
        return std::string(folders[slot]) + "/";
    }
    // Gone under our feet (a cleaned temporary directory): made afresh.
    for (int i = 0; i < kMaxFolders && slot < 0; ++i) {
        if (!folders[i][0]) slot = i;
    }
    if (slot < 0) return {};
    if (base != TemporaryDirectory()) RemoveLeftoversIn(base);
    std::string pattern = base + kPrefix + std::to_string(getpid()) + "-" +
                          std::to_string(StartTime(getpid())) + "-XXXXXX";
    if (pattern.size() >= sizeof(folders[slot]) || !mkdtemp(pattern.data())) return {};
    // The temporary directory is the user's choice; a folder in its stead
    // must be as safe as the runtime directory.
    if (base != TemporaryDirectory()) {
        const std::string problem = trusted_path::DirectoryProblem(pattern);
        if (!problem.empty()) {
            rmdir(pattern.c_str());
            if (refusal) *refusal = RefusalMessage("temporary folder", pattern, problem);
            return {};
        }
    }
    std::memcpy(folders[slot], pattern.c_str(), pattern.size() + 1);
    bases[slot] = base;
    static bool registered = std::atexit(RemoveAtExit) == 0;
    (void)registered;
    return pattern + "/";
}

void Remove() {
    if (creator != getpid()) return;  // a forked child leaves its parent's alone
    for (char* folder : folders) {
        if (folder[0]) RemoveFolder(folder);
        folder[0] = '\0';  // made afresh if wanted again
    }
}

void RemoveOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveAndResignal;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) sigaction(signalNumber, &action, nullptr);
}

int RemoveLeftovers() {
    return RemoveLeftoversIn(TemporaryDirectory());
}

int RemoveLeftoversIn(const std::string& directory) {
    namespace fs = std::filesystem;
    int removed = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(directory, error)) {
        pid_t pid = 0;
        unsigned long long start = 0;
        if (!ParseName(entry.path().filename().string(), &pid, &start)) continue;
        // Only real folders of this user's, as our own would be.
        if (!trusted_path::DirectoryProblem(entry.path().string()).empty()) continue;
        if (StillRuns(pid, start)) continue;
        std::error_code ignored;
        if (fs::remove_all(entry.path(), ignored) > 0) ++removed;
    }
    return removed;
}

}  // namespace private_temp
