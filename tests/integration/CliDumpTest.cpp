#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/CliTest.h"

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

}  // namespace
