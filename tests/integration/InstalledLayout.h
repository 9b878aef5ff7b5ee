// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <set>
#include <string>

// What an install holds, relative to its prefix.
inline const std::set<std::string> kInstalledPrograms = {
    "lib/tarvolent/tarvolent", "lib/tarvolent/tarvolent-cli", "lib/tarvolent/BOREX64.SYS"};
inline const std::set<std::string> kInstalledDataFiles = {
    "lib/tarvolent/PciId.txt",
    "lib/tarvolent/pcidevcl.txt",
    "lib/tarvolent/regdes.txt",
    "share/applications/io.github.tarvolent.Tarvolent.desktop",
    "share/metainfo/io.github.tarvolent.Tarvolent.metainfo.xml",
    "share/icons/hicolor/scalable/apps/tarvolent.svg",
    "share/icons/hicolor/48x48/apps/tarvolent.png",
    "share/man/man1/tarvolent.1.gz",
    "share/man/man1/tarvolent-cli.1.gz",
    "share/bash-completion/completions/tarvolent-cli",
    "share/doc/tarvolent/copyright",
    "share/doc/tarvolent/changelog.gz",
    "share/doc/tarvolent/fleet.md",
    "lib/systemd/system/borealix.socket",
    "lib/systemd/system/borealix.service",
    "lib/systemd/system/tarvolent-metrics.service",
    "lib/systemd/system/tarvolent-metrics.timer",
    "lib/sysusers.d/borealix.conf",
};
// Each a relative link into the program directory.
inline const std::set<std::string> kInstalledLinks = {"bin/tarvolent", "bin/tarvolent-cli"};

inline std::string LinkTarget(const std::string& link) {
    return "../lib/tarvolent/" + std::filesystem::path(link).filename().string();
}
