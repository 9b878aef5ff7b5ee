#include "BenchScratch.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// What the signal handler removes: fixed storage, since it may only call
// async-signal-safe functions.
constexpr int kMaxFiles = 32;
constexpr int kMaxChildren = 4;
char folder[PATH_MAX];
char files[kMaxFiles][PATH_MAX];
volatile sig_atomic_t fileCount = 0;
volatile pid_t children[kMaxChildren];
volatile sig_atomic_t childCount = 0;

void RemoveAll() {
    for (int i = 0; i < fileCount; ++i) unlink(files[i]);
    if (folder[0]) rmdir(folder);
}

void OnSignal(int signal) {
    for (int i = 0; i < childCount; ++i) kill(children[i], SIGTERM);
    RemoveAll();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

bool Copy(const std::string& text, char* into) {
    if (text.size() >= PATH_MAX) return false;
    std::memcpy(into, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

BenchScratch::BenchScratch(const std::string& name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()) || !Copy(pattern, folder)) return;
    path_ = pattern;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, OnSignal);
}

BenchScratch::~BenchScratch() {
    if (path_.empty()) return;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    // Whatever else a program under test left in the folder goes too.
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    folder[0] = '\0';
    fileCount = 0;
}

std::string BenchScratch::File(const std::string& name) {
    const std::string path = path_ + "/" + name;
    if (fileCount < kMaxFiles && Copy(path, files[fileCount])) fileCount = fileCount + 1;
    return path;
}

void BenchScratch::StopOnInterrupt(pid_t child) {
    if (childCount < kMaxChildren) {
        children[childCount] = child;
        childCount = childCount + 1;
    }
}
