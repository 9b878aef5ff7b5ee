// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/Seam.h"
#include "platform/SystemServices.h"

// System services with fixed answers; records pauses instead of sleeping.
// Install with ScopedOverride<SystemServices>.
class FakeSystemServices : public SystemServices {
  public:
    uint32_t platformId = VER_PLATFORM_OTHER;
    uint32_t major = 0;
    uint32_t minor = 0;
    std::string moduleFileName = "/opt/tarvolent/bin/tarvolent";
    std::string currentDirectory = "/";
    int processors = 2;
    std::string computerName = "DESK";
    std::string tempPath = "/tmp/";
    bool directoriesWritable = true;
    std::string homeDirectory = "/home/tester/";
    std::vector<unsigned> sleeps;

    void SetVersion(uint32_t platform, uint32_t majorVersion, uint32_t minorVersion) {
        platformId = platform;
        major = majorVersion;
        minor = minorVersion;
    }

    bool GetVersionEx(OsVersionInfo* info) override {
        info->dwMajorVersion = major;
        info->dwMinorVersion = minor;
        info->dwBuildNumber = 0;
        info->dwPlatformId = platformId;
        info->szCSDVersion[0] = '\0';
        return true;
    }
    std::string ModuleFileName() override { return moduleFileName; }
    bool SetCurrentDirectory(const std::string& directory) override {
        currentDirectory = directory;
        return true;
    }
    std::string CurrentDirectory() override { return currentDirectory; }
    int ProcessorCount() override { return processors; }
    std::string ComputerName() override { return computerName; }
    std::string TempPath() override { return tempPath; }
    bool MayWriteDirectory(const std::string&) override { return directoriesWritable; }
    std::string HomeDirectory() override { return homeDirectory; }
    void Sleep(unsigned milliseconds) override { sleeps.push_back(milliseconds); }
};
