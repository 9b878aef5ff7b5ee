// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/Seam.h"
#include "platform/SystemServices.h"
#include "platform/trust/PrivateTempFolder.h"

namespace {

class NativeSystemServices : public SystemServices {
  public:
    // Neither 9x nor NT: the driver route is taken.
    bool GetVersionEx(OsVersionInfo* info) override {
        info->dwMajorVersion = 0;
        info->dwMinorVersion = 0;
        info->dwBuildNumber = 0;
        info->dwPlatformId = VER_PLATFORM_OTHER;
        std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
        return true;
    }

    std::string ModuleFileName() override {
        char path[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
        if (length <= 0) return {};
        return std::string(path, static_cast<size_t>(length));
    }

    bool SetCurrentDirectory(const std::string& directory) override {
        return chdir(directory.c_str()) == 0;
    }

    std::string CurrentDirectory() override {
        char path[PATH_MAX];
        return getcwd(path, sizeof(path)) ? std::string(path) : std::string();
    }

    int ProcessorCount() override {
        long count = sysconf(_SC_NPROCESSORS_ONLN);
        return count > 0 ? static_cast<int>(count) : 1;
    }

    std::string ComputerName() override {
        char name[HOST_NAME_MAX + 1] = {};
        if (gethostname(name, sizeof(name) - 1) != 0) return {};
        return name;
    }

    // The process's private folder under $TMPDIR (or /tmp): its temporary
    // files are nobody else's to read or to overwrite.
    std::string TempPath() override { return private_temp::Folder(); }

    // The effective ids decide, as they do when the file is created.
    bool MayWriteDirectory(const std::string& directory) override {
        return !directory.empty() &&
               faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    }

    std::string HomeDirectory() override {
        std::string home;
        const char* variable = std::getenv("HOME");
        if (variable && *variable == '/') {
            home = variable;
        } else {
            std::vector<char> buffer(16384);
            passwd entry{};
            passwd* found = nullptr;
            if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
                found->pw_dir && *found->pw_dir == '/')
                home = found->pw_dir;
        }
        if (!home.empty() && home.back() != '/') home += '/';
        return home;
    }

    void Sleep(unsigned milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

SystemServices& SystemServices::Native() {
    static NativeSystemServices services;
    return services;
}

SystemServices& SystemServices::Current() {
    return Seam<SystemServices>::Current();
}
