// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/CliTest.h"
#include "support/EnvironmentGuard.h"
#include "support/OtherUser.h"

namespace {

// "Hello, World! hello" at 0xC0000, then 0x0D bytes of 0x6F.
constexpr const char* kMemoryMachine = R"({"functions": [], "memory": [
    {"base": "0xC0000", "size": "0x13", "hex": "48656c6c6f2c20576f726c64212068656c6c6f"},
    {"base": "0xC0013", "size": "0xD", "fill": "0x6F"}]})";

class CliDumpTest : public CliTest {
  protected:
    std::string Machine() { return WriteMachine("memory.json", kMemoryMachine); }
};

TEST_F(CliDumpTest, DumpWritesExactlyTheBytesOfTheRange) {
    const std::string machine = Machine();
    const std::string out = Scratch() / "dump.bin";
    CliRun run = Run("dump C0000 24 -o '" + out + "'", machine);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Past the regions, absent memory reads 0xFF.
    const std::string expected =
        "Hello, World! hello" + std::string(0xD, 'o') + std::string(4, '\xFF');
    EXPECT_EQ(ReadWholeFile(out), expected);

    run = Run("dump C0000 0 -o '" + out + "'", machine);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(out), 0u);

    run = Run("dump 0x10 10 -o '" + out + "'", machine);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Input Memory Address Error!"), std::string::npos) << run.err;
    run = Run("dump 10 80000000 -o '" + out + "'", machine);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Input Memory Size Error!"), std::string::npos) << run.err;
    run = Run("dump 10 10", machine);  // no -o
    EXPECT_EQ(run.exitCode, 2);

    // A full disk is an error; the device itself stays where it is.
    run = Run("dump C0000 10 -o /dev/full", machine);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("/dev/full"), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

// Dumps of several blocks and pieces, which the driver writes into the
// file itself, hold exactly the range.
TEST_F(CliDumpTest, LargeDumpsHoldExactlyTheRange) {
    const std::string machine = Machine();
    const std::string out = Scratch() / "large.bin";
    const std::string head = "Hello, World! hello" + std::string(0xD, 'o');
    for (const uint32_t size : {0x400010u, 0x4000001u}) {
        char sizeText[16];
        std::snprintf(sizeText, sizeof sizeText, "%X", size);
        CliRun run = Run("dump C0000 " + std::string(sizeText) + " -o '" + out + "'", machine);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(ReadWholeFile(out) == head + std::string(size - head.size(), '\xFF'))
            << sizeText;
    }
}

// Root dumps and reports into names another user prepared: their open file,
// which they would read afterwards, or their link to a file of root's. Both
// are refused, named, and left as they were; a fresh dump is root's alone.
TEST_F(CliDumpTest, OutputsNeverGoWhereAnotherUserPointed) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const std::string machine = Machine();
    const std::filesystem::path theirs = other.Shared() / "theirs.bin";
    const std::filesystem::path link = other.Shared() / "report.log";
    const std::filesystem::path rootFile = Scratch() / "root-file";
    std::ofstream(rootFile) << "root's";
    ASSERT_TRUE(other.Run("printf theirs > " + theirs.string() + " && chmod 666 " +
                          theirs.string() + " && ln -s " + rootFile.string() + " " +
                          link.string()));

    CliRun run = Run("dump C0000 10 -o '" + theirs.string() + "'", machine);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Refused output file " + theirs.string() + ": it belongs to user " +
                           std::to_string(OtherUser::kUid) + "\n");
    EXPECT_EQ(ReadWholeFile(theirs.string()), "theirs");
    run = Run("report --all -o '" + link.string() + "'", "builtin");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error! Unable to open file!\nRefused output file " + link.string() +
                           ": it is a symbolic link\n");
    EXPECT_EQ(ReadWholeFile(rootFile.string()), "root's");

    const std::filesystem::path fresh = other.Shared() / "fresh.bin";
    run = Run("dump C0000 10 -o '" + fresh.string() + "'", machine);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    struct stat info {};
    ASSERT_EQ(stat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(CliDumpTest, FindPrintsEveryMatchOrSaysThereIsNone) {
    const std::string machine = Machine();
    CliRun run = Run("find C0000 20 hello", machine);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "000C0000\n000C000E\n");  // without --case both
    run = Run("find C0000 20 --case hello", machine);
    EXPECT_EQ(run.out, "000C000E\n");

    // HEX: overlapping matches are all found, and matches start at offset 0.
    run = Run("find C0010 10 --hex 6f6F6f", machine);
    EXPECT_EQ(run.out,
              "000C0012\n000C0013\n000C0014\n000C0015\n000C0016\n000C0017\n"
              "000C0018\n000C0019\n000C001A\n000C001B\n000C001C\n000C001D\n");
    run = Run("find C0000 20 --hex 48", machine);
    EXPECT_EQ(run.out, "000C0000\n");

    run = Run("find C0000 20 --case HELLO", machine);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "String not found!\n");

    run = Run("find C0000 20 --hex 4G", machine);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Input data invalid!"), std::string::npos) << run.err;
}

TEST_F(CliDumpTest, FindLooksForTheSingleByteTextTheWindowTypes) {
    const std::string machine = WriteMachine("latin1.json", R"({"functions": [], "memory": [
        {"base": "0xD0000", "size": "0x5", "hex": "436166e921"}]})");
    // The argument is UTF-8; the dump holds the Latin-1 byte E9.
    CliRun run = Run("find D0000 5 --case 'af\xC3\xA9'", machine);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "000D0001\n");
    run = Run("find D0000 5 'f\xE2\x82\xAC'", machine);  // no byte stands for the euro sign
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "String not found!\n");
}

// Every offset from `first` to `last`, one "%08X" line each.
std::string AddressLines(uint32_t first, uint32_t last) {
    std::string lines;
    char line[16];
    for (uint64_t address = first; address <= last; ++address) {
        std::snprintf(line, sizeof line, "%08X\n", static_cast<uint32_t>(address));
        lines += line;
    }
    return lines;
}

// A mebibyte of zeros from 0, then "ABCD" across the first 4 MiB block's end.
constexpr const char* kZerosMachine = R"({"functions": [], "memory": [
    {"base": "0x0", "size": "0x100000", "fill": "0x00"},
    {"base": "0x100000", "size": "0x2FFFFE", "fill": "0xEE"},
    {"base": "0x3FFFFE", "size": "0x4", "hex": "41424344"}]})";

// find with TMPDIR in a folder of its own, which it must leave as it was.
class CliFindTest : public CliDumpTest {
  protected:
    void SetUp() override {
        CliDumpTest::SetUp();
        tmp_ = Scratch() / "tmp";
        std::filesystem::create_directories(tmp_);
        tmpdirVariable_.Set(tmp_.string());
        machine_ = WriteMachine("zeros.json", kZerosMachine);
    }
    void TearDown() override {
        tmpdirVariable_.Restore();
        CliDumpTest::TearDown();
    }
    bool TmpIsEmpty() const { return std::filesystem::is_empty(tmp_); }

    // Starts find, waits for its first matches, then sends `signal`; the
    // status it ended with.
    int InterruptedFind(int signal) {
        int output[2];
        if (pipe(output) != 0) return -1;
        const pid_t child = fork();
        if (child == 0) {
            dup2(output[1], 1);
            close(output[0]);
            close(output[1]);
            const std::string cli = std::string(TARVOLENT_BIN_DIR) + "/tarvolent-cli";
            execl(cli.c_str(), cli.c_str(), "--machine", machine_.c_str(), "find", "0", "7FFFFFFF",
                  "--hex", "00", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        char first[64];
        const bool printed = read(output[0], first, sizeof first) > 0;
        kill(child, signal);
        // Read on to the end: a closed pipe would end it by SIGPIPE first.
        while (read(output[0], first, sizeof first) > 0) {
        }
        close(output[0]);
        int status = 0;
        waitpid(child, &status, 0);
        return printed ? status : -1;
    }

    std::string machine_;

  private:
    std::filesystem::path tmp_;
    EnvironmentGuard tmpdirVariable_{"TMPDIR"};
};

TEST_F(CliFindTest, OnePassPrintsEveryMatchInOrder) {
    // One match per byte: each printed once, in order, overlapping ones too.
    CliRun run = Run("find 0 100000 --hex 00", machine_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out == AddressLines(0, 0xFFFFF)) << run.out.size();
    run = Run("find FFFF0 20 --hex 0000", machine_);
    EXPECT_EQ(run.out, AddressLines(0xFFFF0, 0xFFFFE));

    // A match across the end of a 4 MiB block, and matches in the last bytes.
    run = Run("find 0 400010 abcd", machine_);
    EXPECT_EQ(run.out, "003FFFFE\n");
    run = Run("find 3FFFF0 20 --hex FF", machine_);
    EXPECT_EQ(run.out, AddressLines(0x400002, 0x40000F));
    EXPECT_TRUE(TmpIsEmpty());
}

TEST_F(CliFindTest, NeitherAnInterruptedNorAFailingFindLeavesAFile) {
    // Starts the driver, so that the runs below meet it running.
    ASSERT_EQ(Run("find 0 10 --hex 00", machine_).exitCode, 0);
    for (int signal : {SIGINT, SIGTERM}) {
        const int status = InterruptedFind(signal);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_TRUE(TmpIsEmpty());
    }
    CliRun run = Run("find 0 100000 --hex 00 >/dev/full", machine_);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Writing the matches failed"), std::string::npos) << run.err;
    run = Run("find 100000 100 --hex 00", machine_);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "String not found!\n");
    EXPECT_TRUE(TmpIsEmpty());
}

}  // namespace
