// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cli/ConfigDwordCommands.h"
#include "cli/DecodeCommand.h"
#include "cli/MemoryDumpCommands.h"
#include "cli/ReportCommand.h"
#include "cli/ScanCommand.h"
#include "cli/SetCommand.h"
#include "driver/LinuxBackend.h"
#include "platform/Seam.h"
#include "support/FakeDriverStart.h"
#include "support/FakeSysfs.h"
#include "support/FileText.h"
#include "support/InProcessDriver.h"
#include "support/MessageRecorder.h"

namespace {

constexpr uint64_t kWindowBase = 0xE0000000;

void PutDword(std::vector<uint8_t>& config, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) config[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A header whose capability list starts at `capabilities` (0: none); what an
// unprivileged reader gets of it are the first 64 bytes.
std::vector<uint8_t> Config(uint32_t identity, uint8_t capabilities, size_t visible) {
    std::vector<uint8_t> config(256, 0);
    PutDword(config, 0x00, identity);
    PutDword(config, 0x04, capabilities ? 1u << 20 : 0);
    PutDword(config, 0x08, 0x06040000);
    PutDword(config, 0x3C, 0x0000010B);
    PutDword(config, 0x40, 0x01105009);
    if (capabilities) {
        config[0x34] = capabilities;
        config[capabilities] = 0x10;  // PCI Express
    }
    config.resize(visible);
    return config;
}

// The CLI's commands in this process, on the linux backend over a fake
// sysfs tree: function files of 64 bytes are what the kernel gives a user
// who is not root.
class RefusedRequestTest : public testing::Test {
  protected:
    RefusedRequestTest() {
        sysfs_.AddFunction("0000:00:03.0", Config(0x12348086, 0, 64));
        sysfs_.AddFunction("0000:00:04.0", Config(0x56788086, 0x50, 64));
        sysfs_.AddFunction("0000:00:05.0", Config(0x9ABC8086, 0, 256));
        sysfs_.AddFunction("0000:00:1c.0", Config(0xA3388086, 0x38, 64));
        sysfs_.SetMcfg({{kWindowBase, 0, 0, 0}});
        sysfs_.SetMemory(std::vector<uint8_t>(0x20, 0x5A));
    }

    void UseDriver(bool readOnly = false) {
        LinuxBackend::Paths paths = sysfs_.Paths();
        paths.readOnly = readOnly;
        device_.reset();
        driver_ = std::make_unique<InProcessDriver>(std::make_unique<LinuxBackend>(paths));
        device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
    }

    struct Outcome {
        int exitCode;
        std::string out;
        std::vector<std::string> messages;
    };
    Outcome Run(int (*command)(const std::vector<std::string>&),
                const std::vector<std::string>& arguments) {
        if (!driver_) UseDriver();
        messages_.messages.clear();
        testing::internal::CaptureStdout();
        const int code = command(arguments);
        Outcome outcome{code, testing::internal::GetCapturedStdout(), {}};
        for (const auto& message : messages_.messages) outcome.messages.push_back(message.text);
        return outcome;
    }

    std::filesystem::path Scratch() const {
        return std::filesystem::path(std::getenv("BOREALIX_RUNTIME_DIR"));
    }

    FakeSysfs sysfs_;
    FakeDriverStart start_{"/opt/tarvolent/lib"};
    MessageRecorder messages_;

  private:
    ScopedOverride<MessageBoxService> messagesOverride_{messages_};
    std::unique_ptr<InProcessDriver> driver_;
    std::unique_ptr<ScopedOverride<DeviceIo>> device_;
};

using Lines = std::vector<std::string>;

TEST_F(RefusedRequestTest, AReadTheKernelRefusesIsAnErrorNeverAValue) {
    Outcome beyond = Run(RunReadCommand, {"00:03.0", "40"});
    EXPECT_EQ(beyond.exitCode, 1);
    EXPECT_EQ(beyond.out, "");
    EXPECT_EQ(beyond.messages, Lines{"Reading offset 40 of 00:03.0 failed: access denied"});

    // The function is read whole, as the window reads it.
    Outcome header = Run(RunReadCommand, {"00:03.0", "0"});
    EXPECT_EQ(header.exitCode, 1);
    EXPECT_EQ(header.out, "");

    Outcome whole = Run(RunReadCommand, {"00:05.0", "40"});
    EXPECT_EQ(whole.exitCode, 0);
    EXPECT_EQ(whole.out, "01105009\n");
    EXPECT_TRUE(whole.messages.empty());

    // A PCI Express function is read through the window in one request; the
    // probes for the window's base that miss are not failures.
    Outcome window = Run(RunReadCommand, {"00:1c.0", "100"});
    EXPECT_EQ(window.exitCode, 1);
    EXPECT_EQ(window.out, "");
    EXPECT_EQ(window.messages,
              Lines{"Reading offset 0 of 00:1C.0 (physical address E00E0000, 4096 bytes) failed: "
                    "access denied"});

    // A capability list out of reach would list a PCI Express function as PCI.
    Outcome scan = Run(RunScanCommand, {});
    EXPECT_EQ(scan.exitCode, 1);
    EXPECT_EQ(scan.out, "");
    EXPECT_EQ(scan.messages, Lines{"Reading offset 50 of 00:04.0 failed: access denied"});
}

TEST_F(RefusedRequestTest, AReportWithARefusedReadWritesNothing) {
    const std::string path = (Scratch() / "kept.log").string();
    std::ofstream(path) << "an earlier report\n";

    Outcome current = Run(RunReportCommand, {"--current", "00:03.0", "-o", path});
    EXPECT_EQ(current.exitCode, 1);
    EXPECT_EQ(ReadWholeFile(path), "an earlier report\n");
    EXPECT_EQ(current.messages.size(), 1u);

    Outcome all = Run(RunReportCommand, {"--all"});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.out, "");
    ASSERT_EQ(all.messages.size(), 1u);
    EXPECT_NE(all.messages[0].find("failed: access denied"), std::string::npos);

    // A given base names the function the window address belongs to.
    sysfs_.AddFunction("0000:00:03.0", Config(0x12348086, 0, 256));
    sysfs_.AddFunction("0000:00:04.0", Config(0x56788086, 0x50, 256));
    Outcome based = Run(RunReportCommand, {"--current", "00:1c.0", "--base", "E0000000"});
    EXPECT_EQ(based.exitCode, 1);
    EXPECT_EQ(based.out, "");
    EXPECT_EQ(based.messages,
              Lines{"Reading offset 0 of 00:1C.0 (physical address E00E0000, 4096 bytes) failed: "
                    "access denied"});

    std::filesystem::remove(path);
    sysfs_.AddFunction("0000:00:1c.0", Config(0xA3388086, 0x38, 4096));
    Outcome complete = Run(RunReportCommand, {"--current", "00:03.0", "-o", path});
    EXPECT_EQ(complete.exitCode, 0);
    EXPECT_TRUE(complete.messages.empty());
    EXPECT_NE(ReadWholeFile(path).find("01105009"), std::string::npos);
}

TEST_F(RefusedRequestTest, RefusedWritesAndMemoryReadsFailTheirCommand) {
    UseDriver(true);
    Outcome write = Run(RunWriteCommand, {"00:05.0", "3C", "1"});
    EXPECT_EQ(write.exitCode, 1);
    EXPECT_EQ(write.messages, Lines{"Writing offset 3C of 00:05.0 failed: access denied"});
    EXPECT_EQ(sysfs_.Config("0000:00:05.0"), Config(0x9ABC8086, 0, 256));

    // Nothing goes to a function that could not be read.
    UseDriver(false);
    Outcome unread = Run(RunWriteCommand, {"00:03.0", "3C", "1"});
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_EQ(unread.messages, Lines{"Reading offset 40 of 00:03.0 failed: access denied"});
    EXPECT_EQ(sysfs_.Config("0000:00:03.0"), Config(0x12348086, 0, 64));

    // Beyond the end of physical memory: the dump stops and keeps no file.
    const std::string dump = (Scratch() / "dump.bin").string();
    testing::internal::CaptureStderr();
    Outcome past = Run(RunDumpCommand, {"10", "20", "-o", dump});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_EQ(said, "Reading physical memory at 00000010 failed\n");
    EXPECT_FALSE(std::filesystem::exists(dump));

    testing::internal::CaptureStderr();
    Outcome find = Run(RunFindCommand, {"10", "20", "ZZ"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), said);
    EXPECT_EQ(find.exitCode, 1);
    EXPECT_EQ(find.out, "");
}

// Decoding shows what was refused as not readable, never as the zeros of an
// empty buffer, and set writes no dword it could not read.
TEST_F(RefusedRequestTest, DecodeShowsRefusedDwordsAndSetLeavesThem) {
    Outcome header = Run(RunDecodeCommand, {"00:03.0"});
    EXPECT_EQ(header.exitCode, 0);
    EXPECT_EQ(header.out.find("00:03.0  8086:1234  class 060400  256 bytes\n"), 0u) << header.out;
    EXPECT_NE(header.out.find("  IntLine  [7:0]  RW  0xB  11\n"), std::string::npos) << header.out;
    EXPECT_EQ(header.out.find("not readable"), std::string::npos);

    // The capability list lies beyond what the kernel gives: a note says so.
    Outcome list = Run(RunDecodeCommand, {"00:04.0", "--json"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.out.find("\"vendor_id\": 32902"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\"capabilities\": []"), std::string::npos);
    EXPECT_NE(list.out.find("could not be read"), std::string::npos) << list.out;

    testing::internal::CaptureStderr();
    Outcome set = Run(RunSetCommand, {"00:1c.0", "Command.IO=1"});
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tarvolent-cli: Command.IO: offset 4 of 00:1c.0 could not be read, so it is not "
              "written\n");
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.out, "");
    EXPECT_EQ(sysfs_.Config("0000:00:1c.0"), Config(0xA3388086, 0x38, 64));
}

}  // namespace
