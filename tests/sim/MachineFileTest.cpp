// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "sim/MachineFileLoader.h"
#include "sim/MachineJsonParser.h"
#include "support/ScratchDirectory.h"

namespace {

namespace fs = std::filesystem;

struct BadMachine {
    const char* json;
    const char* message;  // after "bad.json: "
};

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

class MalformedMachineFile : public testing::TestWithParam<BadMachine> {};

TEST_P(MalformedMachineFile, NamesTheFileThePathAndWhatIsWrong) {
    MachineLoad load = MachineFileLoader::LoadText(GetParam().json, "bad.json");
    EXPECT_FALSE(load.Ok());
    EXPECT_EQ(load.error, std::string("bad.json: ") + GetParam().message);
}

const std::string kLongConfig =
    R"({"functions": [{"bdf": "00:00.0", "config": ")" + Repeat("00", 4097) + R"("}]})";

INSTANTIATE_TEST_SUITE_P(
    Cases, MalformedMachineFile,
    testing::Values(
        BadMachine{R"({"functions": [{"bdf": "00:00.0", "config": "8086 1g"}]})",
                   "functions[0].config: bad hex digit 'g' at position 6"},
        BadMachine{R"({"functions": [{"bdf": "00:00.0", "config": "808"}]})",
                   "functions[0].config: odd number of hex digits (3)"},
        BadMachine{kLongConfig.c_str(), "functions[0].config: 4097 bytes, longer than 4096"},
        BadMachine{R"({"functions": [{"bdf": "00:00.0", "config": "86800000",
                      "writable": "ff"}]})",
                   "functions[0].writable: 1 bytes, but config has 4"},
        BadMachine{R"({"functions": [{"bdf": "00:00.0", "config": "00"},
                                     {"bdf": "00:00.0", "config": "00"}]})",
                   "functions[1].bdf: duplicate bdf 00:00.0"},
        BadMachine{
            R"({"functions": [{"bdf": "00:20.0", "config": "00"}]})",
            "functions[0].bdf: \"00:20.0\" out of range (device at most 1f, function at most 7)"},
        BadMachine{
            R"({"functions": [{"bdf": "0:1.0", "config": "00"}]})",
            "functions[0].bdf: \"0:1.0\" is not a [segment:]bus:device.function like \"00:1f.3\""},
        BadMachine{R"({"functions": [{"bdf": "00:00.0"}]})", "functions[0]: missing \"config\""},
        BadMachine{R"({"functions": [{"bdf": "1:00:00.0", "config": "00"}]})",
                   "functions[0].bdf: \"1:00:00.0\" is not a [segment:]bus:device.function like "
                   "\"00:1f.3\""},
        BadMachine{R"({"functions": [{"bdf": "0001:00:00.0", "config": "00"},
                                     {"bdf": "0001:00:00.0", "config": "00"}]})",
                   "functions[1].bdf: duplicate bdf 0001:00:00.0"},
        BadMachine{R"({"ecam": {"segment": 1, "base": "0xE0000000"}})",
                   "ecam: unknown key \"segment\""},
        BadMachine{R"({"ecam": [{"base": "0xE0000000"}, {"base": "0xD0000000"}]})",
                   "ecam[1]: a second window for segment 0x0"},
        BadMachine{R"({"ecam": [{"base": "0xE0000000"},
                                {"segment": 1, "base": "0xE8000000", "buses": 16}]})",
                   "ecam[1]: overlaps the window of segment 0x0"},
        BadMachine{R"({"ecam": [{"segment": "0x10000", "base": "0xE0000000"}]})",
                   "ecam[0].segment: value 0x10000 out of range (at most 0xFFFF)"},
        BadMachine{R"({"functions": [{"bdf": "00:00.0", "config": "00", "mask": "00"}]})",
                   "functions[0]: unknown key \"mask\""},
        BadMachine{R"({"cpus": 2})", "unknown key \"cpus\""},
        BadMachine{R"({"memory": [{"base": "0x1000", "size": "0x100", "fill": 0},
                                  {"base": "0x10F0", "size": "0x10", "fill": 0}]})",
                   "memory[1]: region 0x10F0-0x10FF overlaps region 0x1000-0x10FF"},
        BadMachine{R"({"ecam": {"base": "0xE0000000"},
                       "memory": [{"base": "0xEFFFF000", "size": "0x2000", "fill": 0}]})",
                   "memory[0]: region 0xEFFFF000-0xF0000FFF overlaps the ecam window "
                   "0xE0000000-0xEFFFFFFF"},
        BadMachine{R"({"memory": [{"base": "0x1000", "size": 0, "fill": 0}]})",
                   "memory[0].size: must not be 0"},
        BadMachine{R"({"memory": [{"base": "0xFFFFF000", "size": "0x1001", "fill": 0}]})",
                   "memory[0].size: region 0xFFFFF000 + 0x1001 reaches past 4 GiB"},
        BadMachine{R"({"memory": [{"base": "0x100000000", "size": 1, "fill": 0}]})",
                   "memory[0].base: value 0x100000000 out of range (at most 0xFFFFFFFF)"},
        BadMachine{R"({"memory": [{"base": "4096", "size": 1, "fill": 0}]})",
                   "memory[0].base: \"4096\" is not a hexadecimal number \"0x...\""},
        BadMachine{R"({"memory": [{"base": -1, "size": 1, "fill": 0}]})",
                   "memory[0].base: expected a non-negative integer or a \"0x...\" string, got -1"},
        BadMachine{R"({"memory": [{"base": 0, "size": 2, "hex": "000102"}]})",
                   "memory[0]: 3 bytes of content exceed size 0x2"},
        BadMachine{R"({"memory": [{"base": 0, "size": 2, "fill": "0x100"}]})",
                   "memory[0].fill: value 0x100 out of range (at most 0xFF)"},
        BadMachine{R"({"memory": [{"base": 0, "size": 16}]})",
                   "memory[0]: needs \"hex\", \"file\" or \"fill\""},
        BadMachine{R"({"memory": [{"base": 0, "file": "absent.bin"}]})",
                   "memory[0].file: a file region needs a machine file on disk"},
        BadMachine{R"({"ecam": {"base": "0xE0080000"}})",
                   "ecam.base: must be a multiple of 0x100000"},
        BadMachine{R"({"functions": [}")",
                   "not valid JSON: "
                   "[json.exception.parse_error.101] parse error at line 1, column 16: "
                   "syntax error while parsing value - unexpected '}'; expected '[', '{', or a "
                   "literal"}));

// Files made to break the reader: each is refused with a message of bounded
// length that says what is wrong, never a crash, an abort or a reader that
// runs out of memory.
TEST(MachineFile, HostileJsonIsANamedErrorOfBoundedLength) {
    const std::string mega(1 << 20, 'a');
    const std::string excerpt = mega.substr(0, 80) + "...";
    const std::string zeros = "1" + std::string(100000, '0');
    std::string emptyObjects = "{\"functions\": [";
    for (size_t i = 0; i < MachineJsonParser::kMaxElements; ++i) emptyObjects += "{},";
    emptyObjects += "{}]}";
    std::string functions = "{\"functions\": [";
    for (size_t i = 0; i < MachineJsonParser::kMaxFunctions; ++i) functions += "0,";
    functions += "0]}";
    std::string regions = "{\"memory\": [";
    for (size_t i = 0; i < MachineJsonParser::kMaxRegions; ++i) regions += "0,";
    regions += "0]}";
    const std::pair<std::string, std::string> cases[] = {
        {R"({"ecam": {"base": )" + Repeat("[", 100000) + Repeat("]", 100000) + "}}",
         "nested deeper than 32 levels at line 1, column 49"},
        {R"({"ecam": {"base": [[{"x": "[[[["}]]}})",
         "ecam.base: expected a non-negative integer or a \"0x...\" string, got an array"},
        {R"({"ecam": {"base": {"a": 1}}})",
         "ecam.base: expected a non-negative integer or a \"0x...\" string, got an object"},
        {R"({"name": 1e400})",
         "not valid JSON: [json.exception.out_of_range.406] number overflow parsing '1e400'"},
        {"{\"name\": " + zeros + "}",
         "not valid JSON: [json.exception.out_of_range.406] number overflow parsing '" +
             zeros.substr(0, 80) + "...'"},
        {"{\"name\": \"" + mega + "\x01\"}",
         "not valid JSON: [json.exception.parse_error.101] parse error at line 1, column " +
             std::to_string(mega.size() + 11) +
             ": syntax error while parsing value - invalid string: control character U+0001 "
             "(SOH) must be escaped to \\u0001; last read: '\"" +
             mega.substr(0, 79) + "...'"},
        {"{\"" + mega + "\": 1}", "unknown key \"" + excerpt + "\""},
        {R"({"functions": [{"bdf": ")" + mega + R"(", "config": "00"}]})",
         "functions[0].bdf: \"" + excerpt +
             "\" is not a [segment:]bus:device.function like \"00:1f.3\""},
        {R"({"memory": [{"base": ")" + mega + R"(", "fill": 0}]})",
         "memory[0].base: \"" + excerpt + "\" is not a hexadecimal number \"0x...\""},
        {emptyObjects, "more than 524288 elements at line 1, column 786445"},
        {functions, "functions: 65537 entries, more than 65536"},
        {regions, "memory: 4097 entries, more than 4096"},
    };
    for (const auto& [json, message] : cases) {
        MachineLoad load = MachineFileLoader::LoadText(json, "bad.json");
        EXPECT_FALSE(load.Ok());
        EXPECT_EQ(load.error, "bad.json: " + message) << json.substr(0, 100);
        EXPECT_LT(load.error.size(), 400u);
    }
}

TEST(MachineFile, JsonFormLoadsNumbersPaddingAndFilesBesideIt) {
    ScratchDirectory directory;
    directory.Write("bar0.bin", "NIC!");
    fs::path file = directory.Write("m.json", R"({
      "name": "Two functions",
      "ecam": {"base": 3758096384, "buses": "0x10"},
      "functions": [
        {"bdf": "03:00.0", "config": "86803315"},
        {"bdf": "00:1F.3", "config": ")" + std::string(514, '0') +
                                                  R"("}
      ],
      "memory": [{"base": "0xFEBF0000", "size": "0x1000", "file": "bar0.bin"}]
    })");
    MachineLoad load = MachineFileLoader::Load(file.string());
    ASSERT_TRUE(load.Ok()) << load.error;
    const SimMachine& machine = *load.machine;
    EXPECT_EQ(machine.name, "Two functions");
    ASSERT_EQ(machine.Windows().size(), 1u);
    EXPECT_EQ(machine.Windows()[0].base, 0xE0000000u);
    EXPECT_EQ(machine.Windows()[0].Buses(), 16u);
    ASSERT_EQ(machine.Functions().size(), 2u);
    EXPECT_EQ(machine.Functions()[0].Address(), (FunctionAddress{3, 0, 0}));  // file order
    EXPECT_EQ(machine.Functions()[0].Size(), 256u);
    EXPECT_EQ(machine.Functions()[1].Size(), 4096u);  // 257 bytes given
    uint8_t bytes[6];
    machine.ReadPhysical(0xFEBF0000, bytes, 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 6), std::string("NIC!\0\0", 6));
}

// A file region reads a regular file inside the machine file's folder,
// through no link, and no more of it than the region holds; anything else
// is an error naming the file and where, at once.
// A second segment: functions written DDDD:BB:DD.F, and a window of its own
// beside segment 0's in an array; the same bus, device and function in two
// segments are two functions.
TEST(MachineFile, TwoSegmentsEachBehindItsWindow) {
    MachineLoad load = MachineFileLoader::LoadText(R"({
      "ecam": [{"base": "0xE0000000", "buses": 16},
               {"segment": "0x1", "base": "0xD0000000", "buses": 2}],
      "functions": [
        {"bdf": "00:00.0", "config": "86803e30"},
        {"bdf": "0001:00:00.0", "config": "8680a209"},
        {"bdf": "0001:01:00.0", "config": "4d1408a8"}
      ]})",
                                                   "two.json");
    ASSERT_TRUE(load.Ok()) << load.error;
    const SimMachine& machine = *load.machine;
    ASSERT_EQ(machine.Functions().size(), 3u);
    EXPECT_EQ(machine.Functions()[1].Address(), (FunctionAddress{0, 0, 0, 1}));
    EXPECT_EQ(machine.ConfigRead({0, 0, 0}, 0), 0x303E8086u);
    EXPECT_EQ(machine.ConfigRead({0, 0, 0, 1}, 0), 0x09A28086u);
    EXPECT_EQ(machine.ConfigRead({1, 0, 0}, 0), 0xFFFFFFFFu);
    struct Window {
        uint32_t address;
        uint32_t identity;
    };
    for (const Window& w : {Window{0xE0000000, 0x303E8086}, Window{0xD0000000, 0x09A28086},
                            Window{0xD0100000, 0xA808144D}, Window{0xD0200000, 0xFFFFFFFF}}) {
        uint32_t identity = 0;
        machine.ReadPhysical(w.address, reinterpret_cast<uint8_t*>(&identity), 4);
        EXPECT_EQ(identity, w.identity) << std::hex << w.address;
    }
}

TEST(MachineFile, FileRegionsReadOnlyRegularFilesInsideTheFolder) {
    ScratchDirectory directory;
    const fs::path folder = directory.Write("m.json", "").parent_path();
    fs::create_directory(folder / "sub");
    directory.Write("sub/inner.bin", "INNER");
    directory.Write("big.bin", std::string(0x2000, 'B'));
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink(folder / "sub/inner.bin", folder / "link-in");
    fs::create_symlink("sub", folder / "linked-sub");
    fs::create_symlink("/etc/hostname", folder / "link-out");
    fs::create_symlink("/dev/zero", folder / "zero");

    auto load = [&](const std::string& region) {
        fs::path file =
            directory.Write("m.json", R"({"memory": [{"base": "0x1000", )" + region + "}]}");
        return MachineFileLoader::Load(file.string());
    };
    MachineLoad good = load(R"("size": "0x1000", "file": "big.bin")");
    ASSERT_TRUE(good.Ok()) << good.error;
    EXPECT_EQ(good.machine->Regions()[0].Size(), 0x1000u);  // the file read up to the size
    good = load(R"("size": "0x10", "file": "./sub/inner.bin")");
    ASSERT_TRUE(good.Ok()) << good.error;
    EXPECT_EQ(good.machine->Regions()[0].Size(), 0x10u);

    const std::string m = (folder / "m.json").string() + ": memory[0].file: ";
    const std::string link = ": it is or passes through a symbolic link";
    const std::pair<const char*, std::string> bad[] = {
        {"/dev/zero", "\"/dev/zero\" is not a relative path inside the machine file's folder"},
        {"../m.json", "\"../m.json\" is not a relative path inside the machine file's folder"},
        {"sub/../big.bin",
         "\"sub/../big.bin\" is not a relative path inside the machine file's folder"},
        {"", "\"\" is not a relative path inside the machine file's folder"},
        {"zero", "cannot read file \"zero\"" + link},
        {"link-out", "cannot read file \"link-out\"" + link},
        {"link-in", "cannot read file \"link-in\"" + link},
        {"linked-sub/inner.bin", "cannot read file \"linked-sub/inner.bin\"" + link},
        {"fifo", "cannot read file \"fifo\": not a regular file"},
        {"sub", "cannot read file \"sub\": Is a directory"},
        {".", "cannot read file \".\": Is a directory"},
        {"absent.bin", "cannot read file \"absent.bin\": No such file or directory"},
    };
    for (const auto& [name, message] : bad) {
        MachineLoad load_ = load(std::string(R"("size": "0x1000", "file": ")") + name + "\"");
        EXPECT_FALSE(load_.Ok()) << name;
        EXPECT_EQ(load_.error, m + message);
    }

    // The machine file itself: a FIFO or a device is refused, not waited on.
    for (const fs::path& path : {folder / "fifo", fs::path("/dev/zero"), folder / "sub"}) {
        MachineLoad load_ = MachineFileLoader::Load(path.string());
        EXPECT_FALSE(load_.Ok());
        EXPECT_EQ(load_.error,
                  path.string() + ": cannot open machine file: " +
                      (path == folder / "sub" ? "Is a directory" : "not a regular file"));
    }
}

// A machine file's author swaps a folder of theirs for a link to one of the
// reader's, again and again while the reader loads: no load may ever read
// what lies outside the machine file's folder.
TEST(MachineFile, AFolderSwappedForALinkDuringLoadsNeverLeadsOut) {
    ScratchDirectory directory;
    const fs::path root = directory.Write("unused", "").parent_path();
    // Deep, so that resolving the name still takes a while once past "sub".
    std::string deep;
    for (int i = 0; i < 24; ++i) deep += "d/";
    fs::create_directories(root / "machine/sub" / deep);
    fs::create_directories(root / "outside" / deep);
    directory.Write("machine/sub/" + deep + "data.bin", "inside!!");
    directory.Write("outside/" + deep + "data.bin", "SECRET!!");
    fs::create_symlink(root / "outside", root / "machine/swap");
    const fs::path file =
        directory.Write("machine/m.json", R"({"memory": [{"base": "0x1000", "file": "sub/)" + deep +
                                              R"(data.bin"}]})");

    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        const std::string sub = (root / "machine/sub").string();
        const std::string swap = (root / "machine/swap").string();
        while (!stop) renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE);
    });
    int inside = 0, outside = 0;
    for (int i = 0; i < 1000; ++i) {
        MachineLoad load = MachineFileLoader::Load(file.string());
        if (!load.Ok()) continue;  // refused while "sub" was the link
        char bytes[8];
        load.machine->ReadPhysical(0x1000, reinterpret_cast<uint8_t*>(bytes), sizeof(bytes));
        (std::string(bytes, sizeof(bytes)) == "SECRET!!" ? outside : inside)++;
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(outside, 0) << inside << " loads read inside";
}

// Larger than any real machine: refused by its size, before a byte is read
// (the file is sparse, so it costs the test no disk).
TEST(MachineFile, AnOversizedFileIsRefusedUnread) {
    ScratchDirectory directory;
    const fs::path file = directory.Write("huge.json", "{");
    fs::resize_file(file, (64 << 20) + 1);
    MachineLoad load = MachineFileLoader::Load(file.string());
    EXPECT_FALSE(load.Ok());
    EXPECT_EQ(load.error, file.string() + ": cannot open machine file: larger than 64 MiB");
}

TEST(MachineFile, MissingFileAndBuiltin) {
    MachineLoad missing = MachineFileLoader::Load("/nonexistent/machine.json");
    EXPECT_FALSE(missing.Ok());
    EXPECT_EQ(missing.error,
              "/nonexistent/machine.json: cannot open machine file: No such file or directory");
    MachineLoad builtin = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(builtin.Ok()) << builtin.error;
    EXPECT_EQ(builtin.machine->name, "Simulated workstation");
}

}  // namespace
