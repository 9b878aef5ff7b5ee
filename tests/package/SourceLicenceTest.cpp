// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSpdxLine = "SPDX-License-Identifier: MIT";

// Files we write by hand in a language with comments; data, generated output
// and test inputs carry no licence line.
bool IsSourceFile(const fs::path& path) {
    const std::string name = path.filename().string();
    const std::string extension = path.extension().string();
    if (name == "CMakeLists.txt" || name == "postinst.in" || name == "postrm" || name == "prerm")
        return true;
    if (name.size() > 5 && name.substr(name.size() - 5) == ".h.in") return true;
    for (const char* known : {".cpp", ".h", ".cmake", ".sh", ".py", ".bash"})
        if (extension == known) return true;
    return false;
}

// The licence line stands in the first three lines, after a "#!" line where
// there is one.
bool HasLicenceLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    for (int number = 0; number < 3 && std::getline(in, line); ++number)
        if (line.find(kSpdxLine) != std::string::npos) return true;
    return false;
}

TEST(SourceLicence, EverySourceFileStartsWithTheSpdxLine) {
    const fs::path root = TARVOLENT_SOURCE_DIR;
    std::vector<std::string> missing;
    size_t checked = 0;
    for (const char* top : {"src", "tests", "bench", "tools", "scripts", "cmake", "packaging"}) {
        if (!fs::exists(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (!entry.is_regular_file() || !IsSourceFile(entry.path())) continue;
            if (entry.path().string().find("/corpus/") != std::string::npos) continue;
            ++checked;
            if (!HasLicenceLine(entry.path()))
                missing.push_back(fs::relative(entry.path(), root).string());
        }
    }
    if (HasLicenceLine(root / "CMakeLists.txt") == false) missing.push_back("CMakeLists.txt");
    EXPECT_GT(checked, 500u) << "the walk found the sources";
    std::string list;
    for (const std::string& path : missing) list += "\n  " + path;
    EXPECT_TRUE(missing.empty()) << missing.size() << " files without \"" << kSpdxLine << "\":"
                                 << list;
}

}  // namespace
