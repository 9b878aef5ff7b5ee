#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/DeviceWire.h"

namespace {

// Asks a driver listening on this socket to stop; true when one answered.
bool StopDriverAt(const std::filesystem::path& socketPath) {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    bool answered = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (answered) {
        wire::RequestHeader stop{wire::kRequestMagic, wire::kStopControlCode, 0, 0, 0};
        answered = send(fd, &stop, sizeof(stop), MSG_NOSIGNAL) == sizeof(stop);
        wire::ReplyHeader reply{};
        timeval timeout{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        (void)!recv(fd, &reply, sizeof(reply), MSG_WAITALL);
    }
    close(fd);
    return answered;
}

// A safety net behind the tests' own clean-up: no driver outlives the run.
void StopLeftoverDrivers(const std::filesystem::path& runtimeDir) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(runtimeDir, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_socket(error) && StopDriverAt(it->path())) {
            std::fprintf(stderr, "note: stopped a driver left running at %s\n", it->path().c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
}

}  // namespace

// Every test program gets a private runtime directory, and a system driver
// folder where none runs, so no test ever meets a driver that a person
// started, nor leaves one where a person would look.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarvolent-test-XXXXXX";
    if (!mkdtemp(pattern.data())) return 2;
    setenv("BOREALIX_RUNTIME_DIR", pattern.c_str(), 1);
    setenv("BOREALIX_SYSTEM_DIR", (pattern + "/no-system-driver").c_str(), 1);
    // Any driver a test starts on this machine's hardware only reads it.
    setenv("BOREALIX_HARDWARE_READ_ONLY", "1", 1);
    int result = RUN_ALL_TESTS();
    StopLeftoverDrivers(pattern);
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return result;
}
