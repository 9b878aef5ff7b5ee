// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// The platform's version record, ANSI form (148 bytes).
struct OsVersionInfo {
    uint32_t dwOSVersionInfoSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfo) == 148);

inline constexpr uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;
// What this system reports: neither family, so the driver route is taken.
inline constexpr uint32_t VER_PLATFORM_OTHER = 0x100;

// Version record, module path, current directory, processor count, computer
// name, temporary and home directories, directory write access and the pause
// between service steps.
class SystemServices {
  public:
    virtual ~SystemServices() = default;

    // Fills the record; the caller sets dwOSVersionInfoSize to 148 first.
    virtual bool GetVersionEx(OsVersionInfo* info) = 0;
    // Full path of the running program's file.
    virtual std::string ModuleFileName() = 0;
    virtual bool SetCurrentDirectory(const std::string& directory) = 0;
    virtual std::string CurrentDirectory() = 0;
    virtual int ProcessorCount() = 0;
    // Empty when the name cannot be read.
    virtual std::string ComputerName() = 0;
    // Temporary directory with a trailing '/': this process's private folder
    // under $TMPDIR or /tmp; "" when there is none.
    virtual std::string TempPath() = 0;
    // True when this process may create files in the directory.
    virtual bool MayWriteDirectory(const std::string& directory) = 0;
    // The user's home directory with a trailing '/'; empty when unknown.
    virtual std::string HomeDirectory() = 0;
    virtual void Sleep(unsigned milliseconds) = 0;

    static SystemServices& Native();
    static SystemServices& Current();
};
