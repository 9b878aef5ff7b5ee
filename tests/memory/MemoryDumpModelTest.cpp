// SPDX-License-Identifier: MIT
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "MemoryDumpFixture.h"
#include "memory/dump/MemoryDumpInput.h"
#include "memory/dump/MemoryDumpReader.h"
#include "platform/trust/PrivateTempFolder.h"
#include "protocol/ErrorCodes.h"
#include "support/FileText.h"
#include "support/ScriptedProgress.h"

namespace {

using Request = MemoryRequestLog::Request;

// Writes beyond `bytes` fail (EFBIG) while the object lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, SIG_DFL);
    }

  private:
    rlimit saved_{};
};

bool operator==(const Request& a, const Request& b) {
    return a.code == b.code && a.address == b.address && a.length == b.length;
}

}  // namespace

TEST_F(MemoryDumpTest, DumpReadsTheRangeIntoTheTemporaryFileNamedAfterTheDocument) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    ASSERT_EQ(log->requests.size(), 1u);
    EXPECT_TRUE((log->requests[0] == Request{IOCTL_READ_PHYSICAL_MEMORY, 0xC0000, 0x100}));
    EXPECT_EQ(model.TempBase(), dir.BasePath());
    EXPECT_EQ(dir.ReadFile(dir.DataPath()), HexDumpDirectory::Counting(0x100));
    EXPECT_EQ(hex.Size(), 0x100u);
    EXPECT_EQ(hex.BaseAddress(), 0xC0000u);
    EXPECT_TRUE(model.HasDump());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MemoryDumpTest, DumpsGoInBlocksOfFourMegabytes) {
    ASSERT_TRUE(model.OnDump("10000000", "400001"));
    ASSERT_EQ(log->requests.size(), 2u);
    EXPECT_TRUE((log->requests[0] == Request{IOCTL_READ_PHYSICAL_MEMORY, 0x10000000, 0x400000}));
    EXPECT_TRUE((log->requests[1] == Request{IOCTL_READ_PHYSICAL_MEMORY, 0x10400000, 1}));
    EXPECT_EQ(std::filesystem::file_size(dir.DataPath()), 0x400001u);

    // A size of 0 reads nothing, yet leaves an empty dump to search.
    log->requests.clear();
    ASSERT_TRUE(model.OnDump("C0000", "0"));
    EXPECT_TRUE(log->requests.empty());
    EXPECT_TRUE(model.HasDump());
    EXPECT_EQ(std::filesystem::file_size(dir.DataPath()), 0u);
    EXPECT_FALSE(model.OnSearch("", false, false));
    EXPECT_EQ(Texts(), std::vector<std::string>{kStringNotFoundMessage});
}

TEST_F(MemoryDumpTest, ABlockTheDriverCannotReadShowsAbsentMemoryNotTheBlockBefore) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    driver->SetPresent(false);
    ASSERT_TRUE(model.OnDump("C0000", "10"));
    EXPECT_EQ(dir.ReadFile(dir.DataPath()), std::vector<uint8_t>(0x10, 0xFF));
    EXPECT_TRUE(messages.messages.empty());  // failed requests are not reported
}

TEST_F(MemoryDumpTest, BadFieldsAreRejectedWithTheirFieldAndKeepTheBase) {
    ASSERT_TRUE(model.OnDump("1000", "10"));
    const std::vector<std::pair<std::string, std::string>> rejected = {
        {"0x1000", "10"}, {"", "10"},    {"-1", "10"},         {"10 00", "10"},
        {"1000", ""},     {"1000", "G"}, {"1000", "80000000"}, {"1000", "FFFFFFFF"}};
    for (const auto& [address, size] : rejected) {
        messages.messages.clear();
        EXPECT_FALSE(model.OnDump(address, size)) << address << " " << size;
        DumpRange range;
        const bool addressBad = ParseDumpRange(address, size, &range) == DumpRangeError::Address;
        EXPECT_EQ(Texts(), std::vector<std::string>{addressBad ? kMemoryAddressErrorMessage
                                                               : kMemorySizeErrorMessage});
        EXPECT_EQ(model.Focus(), addressBad ? MemoryDumpField::Address : MemoryDumpField::Size);
        // The dump and the target of Write stay as they were.
        EXPECT_EQ(model.BaseAddress(), 0x1000u);
        EXPECT_EQ(model.Size(), 0x10u);
    }
    EXPECT_EQ(log->requests.size(), 1u);
}

TEST(ParseDumpRange, FieldsKeepTheLowThirtyTwoBitsOfTheirWholeValue) {
    DumpRange range;
    ASSERT_EQ(ParseDumpRange("abcDEF", "0000000000000000007FFFFFFF", &range), DumpRangeError::None);
    EXPECT_EQ(range.address, 0xABCDEFu);
    EXPECT_EQ(range.size, 0x7FFFFFFFu);
    // Leading zeros never change a value; of a longer number the low 32 bits remain.
    ASSERT_EQ(ParseDumpRange("00000000000000001F", "10", &range), DumpRangeError::None);
    EXPECT_EQ(range.address, 0x1Fu);
    ASSERT_EQ(ParseDumpRange("123456789", "10", &range), DumpRangeError::None);
    EXPECT_EQ(range.address, 0x23456789u);
    EXPECT_EQ(ParseDumpRange("1F x", "10", &range), DumpRangeError::Address);
    EXPECT_EQ(ParseDumpRange("x", "G", &range), DumpRangeError::Address);
    EXPECT_EQ(ParseDumpRange("1", "80000000", &range), DumpRangeError::Size);
    EXPECT_EQ(range.address, 0x23456789u);  // untouched by a rejected range
}

TEST_F(MemoryDumpTest, WriteSendsEachRunOfChangedBytesOnceAndClearsTheMarks) {
    ASSERT_TRUE(model.OnDump("1000", "20"));
    GiveWindowAPage();
    hex.LButtonDown((9 + 3 * 3) * 10 + 5, 5, false);  // byte 3, hex pane
    for (char c : std::string("AABBCC")) hex.Char(static_cast<uint8_t>(c), false);
    hex.LButtonDown((9 + 3 * 9) * 10 + 5, 5, false);
    for (char c : std::string("DD")) hex.Char(static_cast<uint8_t>(c), false);
    log->requests.clear();

    model.OnWrite();
    const std::vector<Request> writes = log->Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE((writes[0] == Request{IOCTL_WRITE_PHYSICAL_MEMORY, 0x1003, 3}));
    EXPECT_TRUE((writes[1] == Request{IOCTL_WRITE_PHYSICAL_MEMORY, 0x1009, 1}));
    const std::vector<uint8_t> memory = PhysicalBytes(0x1000, 0x10);
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 3, memory.begin() + 6),
              (std::vector<uint8_t>{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(memory[9], 0xDD);
    EXPECT_EQ(memory[6], 0);
    for (uint32_t k = 0; k < 0x20; ++k) EXPECT_FALSE(hex.IsModified(k)) << k;

    // Nothing changed since: nothing is written.
    log->requests.clear();
    model.OnWrite();
    EXPECT_TRUE(log->Writes().empty());
    model.OnClear();
    model.OnWrite();
    EXPECT_TRUE(log->Writes().empty());
    EXPECT_FALSE(model.HasDump());
}

TEST_F(MemoryDumpTest, ARunAcrossTheBlockBoundaryIsWrittenAsTwoRequests) {
    ASSERT_TRUE(model.OnDump("20000000", "400001"));
    GiveWindowAPage();
    hex.KeyDown(HexKey::End, false, true);
    ASSERT_EQ(hex.Caret(), 0x400000u);
    for (char c : std::string("11")) hex.Char(static_cast<uint8_t>(c), false);
    hex.Char(8, false);  // back one byte
    ASSERT_EQ(hex.Caret(), 0x3FFFFFu);
    for (char c : std::string("22")) hex.Char(static_cast<uint8_t>(c), false);
    ASSERT_TRUE(hex.IsModified(0x3FFFFF) && hex.IsModified(0x400000));
    log->requests.clear();

    model.OnWrite();
    const std::vector<Request> writes = log->Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_TRUE((writes[0] == Request{IOCTL_WRITE_PHYSICAL_MEMORY, 0x203FFFFF, 1}));
    EXPECT_TRUE((writes[1] == Request{IOCTL_WRITE_PHYSICAL_MEMORY, 0x20400000, 1}));
}

TEST_F(MemoryDumpTest, SearchModesAndHistory) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    GiveWindowAPage();
    // HEX: an odd digit count gets a leading 0, so "a" is the byte 0x0A.
    EXPECT_TRUE(model.OnSearch("a", true, false));
    EXPECT_EQ(hex.LastMatch(), 0x0Au);
    EXPECT_TRUE(model.OnSearch("4142", true, false));
    EXPECT_EQ(hex.LastMatch(), 0x41u);
    EXPECT_EQ(SearchPatternOf("1A2", true).bytes, (std::vector<uint8_t>{0x01, 0xA2}));

    messages.messages.clear();
    EXPECT_FALSE(model.OnSearch("0x41", true, false));
    EXPECT_EQ(Texts(), std::vector<std::string>{kSearchInputInvalidMessage});
    EXPECT_EQ(model.Focus(), MemoryDumpField::Search);

    // ASCII without case: "ab" finds the bytes of "AB"... after the caret.
    hex.LButtonDown(5 * 10, 5, false);  // back to the first line
    EXPECT_TRUE(model.OnSearch("ab", false, false));
    EXPECT_EQ(hex.LastMatch(), 0x41u);
    EXPECT_TRUE(model.OnSearch("ab", false, true));  // with case: only the small letters
    EXPECT_EQ(hex.LastMatch(), 0x61u);
    messages.messages.clear();
    EXPECT_FALSE(model.OnSearch("ab", false, true));
    EXPECT_EQ(Texts(), std::vector<std::string>{kStringNotFoundMessage});

    // Newest first; the same text in another case replaces its entry.
    EXPECT_EQ(model.SearchHistory(), (std::vector<std::string>{"ab", "0x41", "4142", "a"}));
    model.OnSearch("A", false, true);
    EXPECT_EQ(model.SearchHistory(), (std::vector<std::string>{"A", "ab", "0x41", "4142"}));
}

TEST_F(MemoryDumpTest, SearchTextIsTheSingleByteTextTheCharacterPaneTypes) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    GiveWindowAPage();
    // "é" arrives as UTF-8 and is the one byte E9, as typed into the dump.
    EXPECT_TRUE(model.OnSearch("\xC3\xA9\xC3\xAA", false, true));
    EXPECT_EQ(hex.LastMatch(), 0xE9u);
    EXPECT_EQ(model.SearchHistory().front(), "\xC3\xA9\xC3\xAA");
    // A byte that starts no UTF-8 character stands for itself.
    EXPECT_EQ(SearchPatternOf("\xFF\xC3", false).bytes, (std::vector<uint8_t>{0xFF, 0xC3}));

    // No byte stands for the euro sign: found nowhere, and not looked for.
    hex.LButtonDown(5 * 10, 5, false);
    const SearchPattern euro = SearchPatternOf("A\xE2\x82\xAC", false);
    EXPECT_FALSE(euro.representable);
    EXPECT_TRUE(euro.valid);
    EXPECT_FALSE(model.OnSearch("A\xE2\x82\xAC", false, true));
    EXPECT_EQ(Texts(), std::vector<std::string>{kStringNotFoundMessage});
    EXPECT_EQ(hex.Caret(), 0u);

    // The box holds 259 characters, however many bytes they take.
    std::string longText;
    for (int i = 0; i < 300; ++i) longText += "\xC3\xA9";
    EXPECT_EQ(SearchBoxText(longText).size(), 2 * kSearchTextLimit);
    EXPECT_EQ(SearchBoxText("abc"), "abc");
    // A byte that starts no character is one character, as it is one byte of
    // the pattern.
    EXPECT_EQ(SearchBoxText(std::string(300, '\xA9')), std::string(kSearchTextLimit, '\xA9'));
    EXPECT_EQ(SearchBoxText("\xC3" + std::string(300, 'a')).size(), kSearchTextLimit);
}

TEST_F(MemoryDumpTest, WorkTheProgressStopsLeavesNothingHalfDone) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    GiveWindowAPage();
    ASSERT_TRUE(model.OnSearch("41", true, false));
    const std::vector<std::string> history = model.SearchHistory();

    // A search stopped in its second window changes nothing.
    ASSERT_TRUE(model.OnDump("10000000", "800001"));
    GiveWindowAPage();
    hex.LButtonDown((9 + 3 * 2) * 10 + 5, 5, false);
    ScriptedProgress search(2);
    EXPECT_FALSE(model.OnSearch("ABCD", false, false, &search));
    EXPECT_TRUE(search.Cancelled());
    ASSERT_EQ(search.reports.size(), 2u);
    EXPECT_EQ(search.reports[1].second, 0x800001u - 3);
    EXPECT_GT(search.reports[1].first, 0u);
    EXPECT_EQ(model.SearchHistory(), history);
    EXPECT_EQ(hex.Caret(), 2u);
    EXPECT_FALSE(hex.HasSelection());
    EXPECT_TRUE(messages.messages.empty());

    // A save stopped after one block says so; the caller drops the file.
    const std::string path = (std::filesystem::path(dir.BasePath()).parent_path() / "out.bin");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ScriptedProgress save(2);
    EXPECT_EQ(model.SaveToFile(file, &save), SaveResult::Cancelled);
    std::fclose(file);
    EXPECT_EQ(save.reports,
              (std::vector<std::pair<uint64_t, uint64_t>>{{0, 0x800001}, {0x400000, 0x800001}}));
    ScriptedProgress whole;
    file = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(model.SaveToFile(file, &whole), SaveResult::Saved);
    std::fclose(file);
    EXPECT_EQ(whole.reports.size(), 3u);
    EXPECT_EQ(std::filesystem::file_size(path), 0x800001u);

    // A dump stopped after its first block shows no dump and keeps no file.
    log->requests.clear();
    ScriptedProgress dump(2);
    EXPECT_FALSE(model.OnDump("20000000", "800000", &dump));
    EXPECT_EQ(dump.reports,
              (std::vector<std::pair<uint64_t, uint64_t>>{{0, 0x800000}, {0x400000, 0x800000}}));
    EXPECT_EQ(log->requests.size(), 1u);
    EXPECT_FALSE(model.HasDump());
    EXPECT_EQ(model.Size(), 0u);
    EXPECT_FALSE(hex.Attached());
    EXPECT_FALSE(std::filesystem::exists(dir.DataPath()));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MemoryDumpTest, RepeatedSearchesFindSuccessiveMatchesThenNothing) {
    ASSERT_TRUE(model.OnDump("C0000", "100"));
    GiveWindowAPage();
    const uint32_t caret = hex.Caret();
    EXPECT_TRUE(model.OnSearch("", false, false));  // the byte after the caret at once
    EXPECT_EQ(hex.Caret(), caret + 1);
    EXPECT_EQ(hex.SelectionAnchor(), hex.SelectionEnd());

    model.OnDump("1000", "40");
    GiveWindowAPage();
    hex.LButtonDown(57 * 10 + 5, 5, false);  // character pane, byte 0
    for (char c : std::string("xyQQxyQQxy")) hex.Char(static_cast<uint8_t>(c), false);
    hex.LButtonDown(57 * 10 + 5, 5, false);
    EXPECT_TRUE(model.OnSearch("xy", false, true));
    EXPECT_EQ(hex.LastMatch(), 4u);
    EXPECT_TRUE(model.OnSearch("xy", false, true));
    EXPECT_EQ(hex.LastMatch(), 8u);
    messages.messages.clear();
    EXPECT_FALSE(model.OnSearch("xy", false, true));
    EXPECT_EQ(Texts(), std::vector<std::string>{kStringNotFoundMessage});
    EXPECT_EQ(hex.Caret(), 8u);
}

TEST_F(MemoryDumpTest, SaveWritesTheEditedBytesAndRefusesWithoutADump) {
    const std::string path = (std::filesystem::path(dir.BasePath()).parent_path() / "out.bin");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(model.SaveToFile(file), SaveResult::Failed);
    std::fclose(file);
    EXPECT_EQ(Texts(), std::vector<std::string>{kNoDataToSaveMessage});
    EXPECT_TRUE(dir.ReadFile(path).empty());

    ASSERT_TRUE(model.OnDump("C0000", "20"));
    GiveWindowAPage();
    hex.LButtonDown(57 * 10 + 5, 5, false);
    hex.Char('Z', false);  // edited, not written back
    file = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(model.SaveToFile(file), SaveResult::Saved);
    std::fclose(file);
    std::vector<uint8_t> expected = HexDumpDirectory::Counting(0x20);
    expected[0] = 'Z';
    EXPECT_EQ(dir.ReadFile(path), expected);
    EXPECT_TRUE(log->Writes().empty());
}

TEST_F(MemoryDumpTest, TemporaryFileProblemsLeaveNoDump) {
    ASSERT_TRUE(model.OnDump("C0000", "10"));
    {
        // A disk that takes no more than 8 bytes (links, as to /dev/full, are
        // not followed).
        FileSizeLimit full(8);
        log->requests.clear();
        EXPECT_FALSE(model.OnDump("C0000", "10"));
    }
    // The disk space is taken before memory is read.
    EXPECT_TRUE(log->requests.empty());
    EXPECT_EQ(Texts(), std::vector<std::string>{kWriteTempFileFailedMessage});
    EXPECT_FALSE(model.HasDump());
    EXPECT_EQ(model.Size(), 0u);

    std::filesystem::remove(dir.DataPath());
    std::filesystem::create_directory(dir.DataPath());  // cannot be opened as a file
    messages.messages.clear();
    EXPECT_FALSE(model.OnDump("C0000", "10"));
    EXPECT_EQ(Texts(), std::vector<std::string>{kOpenTempFileFailedMessage});
    EXPECT_FALSE(model.HasDump());
    std::filesystem::remove(dir.DataPath());

    // The data file is there but the map cannot be made: no dump to save
    // either, rather than bytes that were never shown.
    std::filesystem::remove(dir.MapPath());
    std::filesystem::create_directory(dir.MapPath());
    messages.messages.clear();
    EXPECT_FALSE(model.OnDump("C0000", "10"));
    EXPECT_EQ(Texts(), std::vector<std::string>{kOpenTempFileFailedMessage});
    EXPECT_FALSE(model.HasDump());
    std::FILE* file = std::tmpfile();
    EXPECT_EQ(model.SaveToFile(file), SaveResult::Failed);
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
    std::filesystem::remove(dir.MapPath());
}

TEST_F(MemoryDumpTest,
       TheTemporaryFilesGoWithTheModelAndFallBackToAPrivateFolderInTheProgramDirectory) {
    {
        HexEditModel otherHex;
        MemoryDumpHexModel otherWindow{otherHex};
        MemoryDumpModel other(otherWindow, "Memory2");
        ASSERT_TRUE(other.OnDump("C0000", "0"));  // the window never opens an empty dump
        EXPECT_TRUE(std::filesystem::exists(other.TempBase() + ".tmp"));
        ASSERT_TRUE(other.OnDump("C0000", "10"));
        EXPECT_TRUE(std::filesystem::exists(other.TempBase() + "map.tmp"));
    }
    const std::string base = std::filesystem::path(dir.BasePath()).parent_path() / "Memory2";
    EXPECT_FALSE(std::filesystem::exists(base + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(base + "map.tmp"));

    // Without a temporary directory: a private folder of this process in the
    // program directory, another one for each other instance there.
    namespace fs = std::filesystem;
    const fs::path scratch = fs::path(dir.BasePath()).parent_path();
    const fs::path programDirectory = scratch / "bin";
    fs::create_directory(programDirectory);
    system.moduleFileName = programDirectory / "tarvolent";
    system.tempPath = "/nonexistent-temp-dir/";
    const fs::path fallback = model.MakeTempBase();
    EXPECT_EQ(fallback.filename(), "Memory1");
    EXPECT_EQ(fallback.parent_path().parent_path(), programDirectory);
    EXPECT_EQ(fallback.parent_path().filename().string().rfind(
                  "tarvolent-" + std::to_string(getpid()) + "-", 0),
              0u);
    EXPECT_EQ(fs::status(fallback.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(model.MakeTempBase(), fallback.string()) << "one folder for the process";
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    if (child == 0) {
        std::string theirs = model.MakeTempBase();
        (void)!write(pipeFds[1], theirs.data(), theirs.size());
        std::exit(0);  // as an instance ends, its folders go
    }
    close(pipeFds[1]);
    char theirs[4096];
    ssize_t got = read(pipeFds[0], theirs, sizeof(theirs));
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    const fs::path other(std::string(theirs, got > 0 ? static_cast<size_t>(got) : 0));
    EXPECT_EQ(other.parent_path().parent_path(), programDirectory);
    EXPECT_NE(other.parent_path(), fallback.parent_path());
    EXPECT_FALSE(fs::exists(other.parent_path())) << "gone with the instance that made it";

    // Never beside an installed program, which the user may not write to.
    system.directoriesWritable = false;
    system.homeDirectory = (scratch / "home").string() + "/";
    fs::create_directory(scratch / "home");
    EXPECT_EQ(fs::path(model.MakeTempBase()).parent_path().parent_path(), scratch / "home");
    // Where others may write, they could swap the folder: refused and said.
    private_temp::Remove();
    fs::permissions(scratch / "home", fs::perms::all);
    EXPECT_FALSE(model.OnDump("C0000", "10"));
    EXPECT_EQ(Texts().back().rfind(std::string(kOpenTempFileFailedMessage) +
                                       "\nRefused temporary folder " + (scratch / "home").string() +
                                       "/tarvolent-",
                                   0),
              0u);
    EXPECT_NE(Texts().back().find(": the folder " + (scratch / "home").string() +
                                  " above it is writable by others (mode 0777)"),
              std::string::npos)
        << Texts().back();
    EXPECT_TRUE(fs::is_empty(scratch / "home"));
    system.homeDirectory = "/nonexistent-home/";
    EXPECT_EQ(model.MakeTempBase(), "");
    EXPECT_FALSE(model.OnDump("C0000", "10"));
    EXPECT_EQ(Texts().back(), kOpenTempFileFailedMessage);
    EXPECT_FALSE(model.HasDump());
}

TEST_F(MemoryDumpTest, ACopyThatMayNotFillStopsAtTheBlockTheDriverCannotRead) {
    std::FILE* file = std::tmpfile();
    ASSERT_TRUE(file);
    MemoryDumpReader::Result result =
        MemoryDumpReader::Copy(0xC0000, 0x10, file, MemoryDumpReader::OnReadFailure::Stop);
    EXPECT_EQ(result.status, MemoryDumpReader::Status::Ok);
    EXPECT_EQ(std::ftell(file), 0x10);

    driver->SetPresent(false);
    result = MemoryDumpReader::Copy(0xC0000, 0x10, file, MemoryDumpReader::OnReadFailure::Stop);
    EXPECT_EQ(result.status, MemoryDumpReader::Status::ReadFailed);
    EXPECT_EQ(result.address, 0xC0000u);
    EXPECT_EQ(std::ftell(file), 0x10);  // nothing of the failed block
    std::fclose(file);
}

// The data file holds physical memory: nobody else may read it, whatever
// file of that name was there before, and a link planted there is not
// followed.
TEST_F(MemoryDumpTest, TheTemporaryFilesAreReadableByTheirOwnerOnly) {
    namespace fs = std::filesystem;
    std::ofstream(dir.DataPath()) << "earlier";
    std::ofstream(dir.MapPath()) << "earlier";
    fs::permissions(dir.DataPath(), fs::perms(0666));
    fs::permissions(dir.MapPath(), fs::perms(0666));
    mode_t previous = umask(0);
    ASSERT_TRUE(model.OnDump("C0000", "10"));
    umask(previous);
    EXPECT_EQ(fs::status(dir.DataPath()).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(dir.MapPath()).permissions(), fs::perms(0600));

    const fs::path elsewhere = fs::path(dir.BasePath()).parent_path() / "elsewhere";
    std::ofstream(elsewhere) << "not yours";
    fs::remove(dir.DataPath());
    fs::create_symlink(elsewhere, dir.DataPath());
    EXPECT_FALSE(model.OnDump("C0000", "10"));
    EXPECT_EQ(Texts().back(), kOpenTempFileFailedMessage);
    EXPECT_EQ(ReadWholeFile(elsewhere.string()), "not yours");
}

namespace {

// A driver whose reads into the data file meet a full disk.
class FullDiskDriver : public MemoryRequestLog {
  public:
    using MemoryRequestLog::MemoryRequestLog;
    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override {
        if (code == IOCTL_READ_PHYSICAL_MEMORY) return false;
        return MemoryRequestLog::DeviceIoControl(handle, code, inBuffer, inSize, outBuffer, outSize,
                                                 bytesReturned);
    }
    uint32_t GetLastError() override { return ERROR_DISK_FULL; }
};

}  // namespace

// The change map costs no disk until a change is marked. A block the driver
// could not write into the data file for a full disk loses the dump with a
// message: it is not shown as absent memory.
TEST_F(MemoryDumpTest, TheChangeMapIsAHoleAndAFullDiskIsNoDump) {
    ASSERT_TRUE(model.OnDump("10000000", "800000"));
    struct stat map {};
    ASSERT_EQ(stat(dir.MapPath().c_str(), &map), 0);
    EXPECT_EQ(map.st_size, 0x800000 / 8 + 1);
    EXPECT_EQ(map.st_blocks, 0);
    EXPECT_TRUE(hex.MarkModified(0x7FFFFF));
    ASSERT_EQ(stat(dir.MapPath().c_str(), &map), 0);
    EXPECT_GT(map.st_blocks, 0);
    EXPECT_TRUE(hex.HasModifiedBytes());
    hex.ClearModifiedMap();

    FullDiskDriver full(*driver);
    ScopedOverride<DeviceIo> diskFull(full);
    EXPECT_FALSE(model.OnDump("C0000", "100"));
    EXPECT_EQ(Texts().back(), kWriteTempFileFailedMessage);
    EXPECT_FALSE(model.HasDump());
}

namespace {

// A device that offers reads of two blocks into a file, before a driver
// that takes no more than one.
class OneBlockDriver : public MemoryRequestLog {
  public:
    using MemoryRequestLog::MemoryRequestLog;
    uint32_t LargestFileRead() override { return 2 * MemoryDumpReader::kBlockBytes + 1; }
};

}  // namespace

// A piece the driver does not take in one read goes again block by block:
// the dump is whole, each block as its own read gives it.
TEST_F(MemoryDumpTest, APieceTheDriverRefusesGoesAgainBlockByBlock) {
    OneBlockDriver older(*driver);
    ScopedOverride<DeviceIo> device(older);
    struct Case {
        const char* size;
        std::vector<Request> reads;
    };
    const Case cases[] = {
        {"400001",
         {{IOCTL_READ_PHYSICAL_MEMORY, 0xC0000, 0x400001},
          {IOCTL_READ_PHYSICAL_MEMORY, 0xC0000, 0x400000},
          {IOCTL_READ_PHYSICAL_MEMORY, 0x4C0000, 1}}},
        {"900000",
         {{IOCTL_READ_PHYSICAL_MEMORY, 0xC0000, 0x800000},
          {IOCTL_READ_PHYSICAL_MEMORY, 0xC0000, 0x400000},
          {IOCTL_READ_PHYSICAL_MEMORY, 0x4C0000, 0x400000},
          {IOCTL_READ_PHYSICAL_MEMORY, 0x8C0000, 0x100000}}},
    };
    for (const Case& c : cases) {
        older.requests.clear();
        ASSERT_TRUE(model.OnDump("C0000", c.size)) << c.size;
        ASSERT_EQ(older.requests.size(), c.reads.size()) << c.size;
        for (size_t i = 0; i < c.reads.size(); ++i)
            EXPECT_TRUE(older.requests[i] == c.reads[i]) << c.size << " read " << i;
        std::vector<uint8_t> expected = HexDumpDirectory::Counting(0x100);
        expected.resize(model.Size(), 0xFF);
        EXPECT_TRUE(dir.ReadFile(dir.DataPath()) == expected) << c.size;
    }
}
