// SPDX-License-Identifier: MIT
#include "BenchScratch.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int kMaxChildren = 8;
volatile sig_atomic_t interrupted = 0;
volatile pid_t children[kMaxChildren];

void OnSignal(int) {
    interrupted = 1;
    for (int i = 0; i < kMaxChildren; ++i)
        if (children[i] > 0) kill(children[i], SIGTERM);
}

}  // namespace

BenchScratch::BenchScratch(const std::string& name) {
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) return;
    path_ = pattern;
    // A system driver this machine runs is never asked: a benchmark measures
    // the drivers it starts itself.
    setenv("BOREALIX_SYSTEM_DIR", File("no-system-driver").c_str(), 1);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    // No SA_RESTART: a wait for a peer ends at once.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

BenchScratch::~BenchScratch() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void BenchScratch::StopOnInterrupt(pid_t child) {
    for (int i = 0; i < kMaxChildren; ++i)
        if (children[i] <= 0) {
            children[i] = child;
            if (interrupted) kill(child, SIGTERM);
            return;
        }
}

void BenchScratch::Forget(pid_t child) {
    for (int i = 0; i < kMaxChildren; ++i)
        if (children[i] == child) children[i] = 0;
}

void BenchScratch::Stop(pid_t child) {
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    Forget(child);
}

bool BenchScratch::Interrupted() {
    return interrupted != 0;
}
