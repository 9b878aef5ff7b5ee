// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <poll.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "hw/DriverChannel.h"
#include "platform/DaemonLauncher.h"
#include "platform/Seam.h"
#include "platform/route/SharedTransferBuffer.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DeviceWire.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"
#include "support/AppProcess.h"
#include "support/ChosenRequestRoute.h"
#include "support/DriverStop.h"
#include "support/FakeSystemServices.h"
#include "support/FileText.h"
#include "support/ForegroundDriver.h"

namespace {

namespace fs = std::filesystem;

// A machine with a file-backed region beside it, a large RAM area for 4 MiB
// transfers and the window at 0xE0000000.
class MachineFile {
  public:
    MachineFile() {
        directory_ = fs::path(RuntimeDirectory()) / ("machine-" + std::to_string(getpid()));
        fs::create_directories(directory_);
        std::ofstream(directory_ / "bar0.bin", std::ios::binary) << "BAR0 contents";
        std::ofstream(path()) << R"({
          "ecam": {"base": "0xE0000000", "buses": 8},
          "functions": [
            {"bdf": "00:00.0", "config": "86803e30 06001000 00000006"},
            {"bdf": "01:00.0", "config": "4d1408a8 06041000 00020801 00000000 040000f7"}
          ],
          "memory": [
            {"base": "0x100000", "size": "0x800000", "fill": "0x00"},
            {"base": "0xF7000000", "size": "0x1000", "file": "bar0.bin"}
          ]
        })";
    }
    ~MachineFile() {
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
    }
    std::string path() const { return (directory_ / "m.json").string(); }
    fs::path directory() const { return directory_; }

  private:
    fs::path directory_;
};

// Raw frames, for what the program itself never sends.
struct Reply {
    bool answered = false;
    wire::ReplyHeader header{};
    std::vector<uint8_t> out, data;
};

Reply ReceiveReply(int fd) {
    Reply reply;
    if (!unix_socket::ReceiveAll(fd, &reply.header, sizeof(reply.header))) return reply;
    reply.out.resize(reply.header.outSize);
    reply.data.resize(reply.header.dataSize);
    reply.answered = unix_socket::ReceiveAll(fd, reply.out.data(), reply.out.size()) &&
                     unix_socket::ReceiveAll(fd, reply.data.data(), reply.data.size());
    return reply;
}

int Connect() {
    int fd = unix_socket::Connect(RuntimeDirectory() + "/Borealix");
    EXPECT_GE(fd, 0);
    unix_socket::SetTimeouts(fd, 10);
    return fd;
}

bool SendFrame(int fd, uint32_t code, const void* in, uint32_t inSize, uint32_t outSize,
               uint32_t dataSize = 0) {
    wire::RequestHeader header{wire::kRequestMagic, code, inSize, outSize, dataSize};
    return unix_socket::SendAll(fd, &header, sizeof(header)) &&
           unix_socket::SendAll(fd, in, inSize);
}

uint32_t ReadFunctionZero() {
    uint32_t value = 0;
    EXPECT_EQ(ReadPciConfigDword(0x80000000u, &value), 1);
    return value;
}

class DriverRequestTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
        driver_ = std::make_unique<ForegroundDriver>(machine_.path());
        ASSERT_TRUE(driver_->Ready()) << driver_->Process().StandardError();
    }
    void TearDown() override {
        if (driver_) {
            EXPECT_EQ(driver_->Stop(), 0);
        }
    }

    MachineFile machine_;
    std::unique_ptr<ForegroundDriver> driver_;
};

TEST_F(DriverRequestTest, EveryRequestEndToEnd) {
    PciFunctionList list;
    ASSERT_EQ(ListPciFunctions(&list), 1);
    ASSERT_EQ(list.count, 2u);
    EXPECT_EQ(list.busNumbers[1], 1);
    EXPECT_EQ(list.devFns[1], 0);

    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    uint32_t value = 0xABCD0123;
    ASSERT_EQ(WritePciConfigDword(0x80010040u, &value), 1);
    value = 0;
    ASSERT_EQ(ReadPciConfigDword(0x80010042u, &value), 1);  // low bits ignored
    EXPECT_EQ(value, 0xABCD0123u);
    value = 7;
    EXPECT_EQ(ReadPciConfigDword(0x00010040u, &value), 0);  // no enable bit
    EXPECT_EQ(value, 7u);

    // 4 MiB each way.
    std::vector<uint8_t> block(kMaxTransferLength);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
    ASSERT_EQ(WritePhysicalMemory(0x200000, block.data(), kMaxTransferLength), 1);
    std::vector<uint8_t> back(kMaxTransferLength);
    ASSERT_EQ(ReadPhysicalMemory(0x200000, back.data(), kMaxTransferLength), 1);
    EXPECT_EQ(back, block);

    char bar[14] = {};
    ASSERT_EQ(ReadPhysicalMemory(0xF7000000u, bar, 13), 1);
    EXPECT_STREQ(bar, "BAR0 contents");
    uint32_t viaWindow = 0;
    ASSERT_EQ(ReadPhysicalMemory(0xE0100000u, &viaWindow, 4), 1);
    EXPECT_EQ(viaWindow, 0xA808144Du);
    uint8_t untouched[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ReadPhysicalMemory(0xFFFFFFFCu, untouched, 8), 0);  // would wrap
    EXPECT_EQ(untouched[0], 1);
}

namespace {

struct Windows98 : FakeSystemServices {
    Windows98() { SetVersion(1, 4, 10); }
};

// The 9x route while it lives, to a driver of the VxD's name on the machine.
struct VxdRoute {
    explicit VxdRoute(const std::string& machine) : driver(machine, "borexvxd.vxd") {}
    ForegroundDriver driver;
    Windows98 windows98;
    ScopedOverride<SystemServices> system{windows98};
    ChosenRequestRoute route;
};

}  // namespace

TEST_F(DriverRequestTest, VxdRouteReachesADriverOfThatName) {
    VxdRoute route(machine_.path());
    ForegroundDriver& vxd = route.driver;
    ASSERT_TRUE(vxd.Ready()) << vxd.Process().StandardError();
    uint32_t bytes = 0x11223344;
    ASSERT_EQ(WritePhysicalMemory(0x100010, &bytes, 4), 1);
    uint8_t back[6] = {};
    ASSERT_EQ(ReadPhysicalMemory(0x10000F, back, 6), 1);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 6),
              (std::vector<uint8_t>{0, 0x44, 0x33, 0x22, 0x11, 0}));
    EXPECT_EQ(vxd.Stop(), 0);
}

TEST_F(DriverRequestTest, BadFramesFailAloneAndTheNextRequestWorks) {
    DriverRequest record{};
    record.ConfigAddress = 0x80000000u;
    // One request per connection: answered, then closed whatever it was.
    auto exchange = [&](uint32_t code, uint32_t inSize, uint32_t outSize) {
        int fd = Connect();
        EXPECT_TRUE(SendFrame(fd, code, &record, inSize, outSize));
        Reply reply = ReceiveReply(fd);
        char more = 0;
        EXPECT_EQ(recv(fd, &more, 1, 0), 0) << "the connection stays open";
        close(fd);
        return reply;
    };
    Reply reply = exchange(0x80862E2Cu, sizeof(record), sizeof(record));
    ASSERT_TRUE(reply.answered);
    EXPECT_EQ(reply.header.status, ERROR_INVALID_FUNCTION);
    EXPECT_EQ(exchange(IOCTL_READ_PCI_CONFIG, 100, sizeof(record)).header.status,
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(exchange(IOCTL_READ_PCI_CONFIG, 0, wire::kMaxBufferSize + 1).header.status,
              ERROR_INVALID_PARAMETER);
    reply = exchange(IOCTL_READ_PCI_CONFIG, sizeof(record), sizeof(record));
    ASSERT_TRUE(reply.answered);
    EXPECT_EQ(reply.header.status, ERROR_SUCCESS);
    ASSERT_EQ(reply.out.size(), sizeof(record));
    DriverRequest answer;
    std::memcpy(&answer, reply.out.data(), sizeof(answer));
    EXPECT_EQ(answer.ConfigValue, 0x303E8086u);
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    {  // Bad magic and a header cut short.
        int fd = Connect();
        uint32_t junk[5] = {0x12345678, 1, 2, 3, 4};
        ASSERT_TRUE(unix_socket::SendAll(fd, junk, sizeof(junk)));
        EXPECT_EQ(ReceiveReply(fd).header.status, ERROR_INVALID_PARAMETER);
        close(fd);
        fd = Connect();
        ASSERT_TRUE(unix_socket::SendAll(fd, junk, 7));
        close(fd);
        // A client that stalls mid-header is dropped after the driver's timeout.
        fd = Connect();
        ASSERT_TRUE(unix_socket::SendAll(fd, junk, 7));
        EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
        close(fd);
    }
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    // A client killed mid-transfer: a header promising 4 MiB, a little data, gone.
    pid_t child = fork();
    if (child == 0) {
        int fd = unix_socket::Connect(RuntimeDirectory() + "/Borealix");
        DriverRequest write{};
        write.TransferLength = kMaxTransferLength;
        write.PhysicalAddress = 0x100000;
        SendFrame(fd, IOCTL_WRITE_PHYSICAL_MEMORY, &write, sizeof(write), sizeof(write),
                  kMaxTransferLength);
        std::vector<uint8_t> some(65536, 0xEE);
        unix_socket::SendAll(fd, some.data(), some.size());
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    uint8_t first = 0xAA;
    ASSERT_EQ(ReadPhysicalMemory(0x100000, &first, 1), 1);
    EXPECT_EQ(first, 0);  // the broken write was not carried out
}

// A memfd as the program makes one, or with other seals.
int MakeMemfd(size_t size, unsigned seals = F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) {
    int fd = memfd_create("test-transfer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    if (seals) {
        EXPECT_EQ(fcntl(fd, F_ADD_SEALS, seals), 0);
    }
    return fd;
}

std::vector<uint8_t> BytesOf(int fd, uint64_t offset, size_t count) {
    std::vector<uint8_t> bytes(count);
    EXPECT_EQ(pread(fd, bytes.data(), count, static_cast<off_t>(offset)), ssize_t(count));
    return bytes;
}

DriverRequest MemoryRecord(uint32_t address, uint32_t length) {
    DriverRequest record{};
    record.TransferLength = length;
    record.PhysicalAddress = address;
    record.UserBuffer = 0x1000;  // unused on the shared path, but not null
    return record;
}

// One frame as a client may send it: the descriptors go with the header's
// first byte, then the record, then where the data lies.
Reply SharedExchange(uint32_t code, const DriverRequest& record, const std::vector<int>& fds,
                     uint64_t offset, uint32_t magic = wire::kSharedRequestMagic) {
    int fd = Connect();
    wire::RequestHeader header{magic, code, sizeof(record), sizeof(record), 0};
    iovec part{&header, sizeof(header)};
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    if (!fds.empty()) {
        message.msg_control = control;
        message.msg_controllen = CMSG_SPACE(fds.size() * sizeof(int));
        cmsghdr* passed = CMSG_FIRSTHDR(&message);
        passed->cmsg_level = SOL_SOCKET;
        passed->cmsg_type = SCM_RIGHTS;
        passed->cmsg_len = CMSG_LEN(fds.size() * sizeof(int));
        std::memcpy(CMSG_DATA(passed), fds.data(), fds.size() * sizeof(int));
    }
    wire::SharedData where{offset};
    EXPECT_EQ(sendmsg(fd, &message, MSG_NOSIGNAL), ssize_t(sizeof(header)));
    // The driver may answer a bad header before the rest is sent.
    if (unix_socket::SendAll(fd, &record, sizeof(record)) && magic != wire::kRequestMagic)
        unix_socket::SendAll(fd, &where, sizeof(where));
    Reply reply = ReceiveReply(fd);
    close(fd);
    return reply;
}

size_t OpenDescriptors(pid_t pid) {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
        ++count;
    return count;
}

// Once the driver has closed what its last client left: the same count
// twice, a little apart.
size_t SettledDescriptors(pid_t pid) {
    size_t count = OpenDescriptors(pid);
    for (int look = 0; look < 50; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const size_t again = OpenDescriptors(pid);
        if (again == count) break;
        count = again;
    }
    return count;
}

TEST_F(DriverRequestTest, SharedFramesMoveTheDataThroughTheMemfd) {
    const std::vector<uint8_t> pattern = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    int first = MakeMemfd(8192);
    ASSERT_EQ(pwrite(first, pattern.data(), pattern.size(), 4096), ssize_t(pattern.size()));
    Reply reply =
        SharedExchange(IOCTL_WRITE_PHYSICAL_MEMORY, MemoryRecord(0x100020, 16), {first}, 4096);
    ASSERT_TRUE(reply.answered);
    EXPECT_EQ(reply.header.status, ERROR_SUCCESS);
    std::vector<uint8_t> back(16);
    ASSERT_EQ(ReadPhysicalMemory(0x100020, back.data(), 16), 1);
    EXPECT_EQ(back, pattern);

    // A read lands at an unaligned offset; the reply carries no data bytes.
    reply = SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(0x100020, 16), {first}, 100);
    EXPECT_EQ(reply.header.status, ERROR_SUCCESS);
    EXPECT_EQ(reply.header.dataSize, 0u);
    EXPECT_EQ(BytesOf(first, 100, 16), pattern);
    // Another memfd over the same range gets its own bytes: the driver's kept
    // mapping of the first one is not taken for it.
    int second = MakeMemfd(8192);
    ASSERT_EQ(ftruncate(first, 8192), 0);  // the grow seal allows no change: still 8192
    const std::vector<uint8_t> zeros(16, 0);
    ASSERT_EQ(pwrite(first, zeros.data(), 16, 100), 16);
    reply = SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(0x100020, 16), {second}, 100);
    EXPECT_EQ(reply.header.status, ERROR_SUCCESS);
    EXPECT_EQ(BytesOf(second, 100, 16), pattern);
    EXPECT_EQ(BytesOf(first, 100, 16), zeros);
    close(first);
    close(second);

    // The program's own buffers: ReadPhysicalMemory still fills its buffer.
    SharedTransferBuffer shared(0x400000);
    ASSERT_TRUE(shared.IsShared());
    ASSERT_EQ(ReadPhysicalMemory(0x100020, shared.Data() + 5, 16), 1);
    EXPECT_EQ(std::vector<uint8_t>(shared.Data() + 5, shared.Data() + 21), pattern);
    // It went through the memfd: the driver has it mapped.
    const std::string maps =
        ReadWholeFile("/proc/" + std::to_string(driver_->Process().Pid()) + "/maps");
    EXPECT_NE(maps.find("/memfd:tarvolent-transfer"), std::string::npos);
    std::fill(shared.Data(), shared.Data() + 0x400000, 0x5A);
    ASSERT_EQ(WritePhysicalMemory(0x100000, shared.Data(), 0x400000), 1);
    ASSERT_EQ(ReadPhysicalMemory(0x4FFFFF, back.data(), 2), 1);
    EXPECT_EQ(back[0], 0x5A);
    EXPECT_EQ(back[1], 0x00);
}

// The driver may run as root for others: whatever descriptor a client sends
// in place of its buffer, only that request fails, nothing but a memfd of
// the client's is ever written, and no descriptor stays open in the driver.
TEST_F(DriverRequestTest, HostileSharedFramesFailAlone) {
    int valid = MakeMemfd(4096);
    ASSERT_EQ(SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(0x100000, 16), {valid}, 0)
                  .header.status,
              ERROR_SUCCESS);
    const size_t descriptors = SettledDescriptors(driver_->Process().Pid());

    const fs::path planted = machine_.directory() / "planted.bin";
    std::ofstream(planted) << std::string(4096, 'P');
    int file = open(planted.c_str(), O_RDWR | O_CLOEXEC);
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
    int unsealed = MakeMemfd(4096, 0);
    int small = MakeMemfd(4096);
    int writeSealed = MakeMemfd(4096, F_SEAL_SHRINK | F_SEAL_WRITE);
    int readOnly = open(("/proc/self/fd/" + std::to_string(valid)).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    struct Case {
        const char* what;
        std::vector<int> fds;
        uint64_t offset;
        uint32_t code = IOCTL_READ_PHYSICAL_MEMORY;
        uint32_t magic = wire::kSharedRequestMagic;
    };
    const Case cases[] = {
        {"a regular file", {file}, 0},
        {"a pipe", {pipeEnds[1]}, 0},
        {"a memfd that may shrink", {unsealed}, 0},
        {"a memfd too small", {small}, 4090},
        {"an offset that wraps", {valid}, ~uint64_t{0} - 4},
        {"a memfd sealed against writes", {writeSealed}, 0},
        {"a memfd opened read-only", {readOnly}, 0},
        {"two descriptors", {valid, small}, 0},
        {"no descriptor", {}, 0},
        {"a descriptor with a socket frame",
         {valid},
         0,
         IOCTL_READ_PHYSICAL_MEMORY,
         wire::kRequestMagic},
        {"a shared frame for a configuration read", {valid}, 0, IOCTL_READ_PCI_CONFIG},
    };
    for (const Case& hostile : cases) {
        DriverRequest record = MemoryRecord(0x100000, 16);
        record.ConfigAddress = 0x80000000u;
        Reply reply =
            SharedExchange(hostile.code, record, hostile.fds, hostile.offset, hostile.magic);
        EXPECT_TRUE(reply.answered) << hostile.what;
        EXPECT_NE(reply.header.status, ERROR_SUCCESS) << hostile.what;
    }
    // Gone after the header and its descriptor, before the rest of the frame.
    {
        int fd = Connect();
        wire::RequestHeader header{wire::kSharedRequestMagic, IOCTL_READ_PHYSICAL_MEMORY,
                                   sizeof(DriverRequest), sizeof(DriverRequest), 0};
        ASSERT_TRUE(unix_socket::SendAllWithDescriptor(fd, &header, sizeof(header), valid));
        close(fd);
    }
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    EXPECT_EQ(BytesOf(file, 0, 4096), std::vector<uint8_t>(4096, 'P'));
    EXPECT_EQ(BytesOf(unsealed, 0, 16), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(SettledDescriptors(driver_->Process().Pid()), descriptors);
    for (int fd : {valid, file, pipeEnds[0], pipeEnds[1], unsealed, small, writeSealed, readOnly})
        close(fd);
}

// The dump's data file as the program passes it: the driver writes the read
// into the file itself, where the frame says, and the file keeps its length.
TEST_F(DriverRequestTest, FileFramesWriteTheReadIntoTheClientsFile) {
    const std::vector<uint8_t> pattern = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    ASSERT_EQ(WritePhysicalMemory(0x100020, pattern.data(), 16), 1);
    const fs::path path = machine_.directory() / "data.bin";
    int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(ftruncate(file, 8192), 0);
    Reply reply = SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(0x100020, 16), {file},
                                 100, wire::kFileRequestMagic);
    EXPECT_EQ(reply.header.status, ERROR_SUCCESS);
    EXPECT_EQ(reply.header.dataSize, 0u);
    EXPECT_EQ(BytesOf(file, 100, 16), pattern);

    // The program's own route: a window onto the file, which it never touches.
    {
        SharedTransferBuffer window(file, 4096, 4096);
        ASSERT_TRUE(window.IsShared());
        ASSERT_EQ(ReadPhysicalMemory(0x100020, window.Data() + 5, 16), 1);
    }
    EXPECT_EQ(BytesOf(file, 4101, 16), pattern);
    EXPECT_EQ(fs::file_size(path), 8192u);
    close(file);
}

// Whatever a client passes as its file, the driver, perhaps root, writes
// only a regular file the client's user owns and may write, within its
// length; everything else fails that request and is left as it was.
TEST_F(DriverRequestTest, HostileFileFramesWriteNothingElse) {
    const fs::path folder = machine_.directory();
    const fs::path planted = folder / "planted.bin";
    std::ofstream(planted) << std::string(64, 'P');
    const auto openPlanted = [&](int flags) { return open(planted.c_str(), flags | O_CLOEXEC); };
    fs::create_symlink(planted, folder / "link");
    const fs::path others = folder / "others.bin";
    std::ofstream(others) << std::string(64, 'O');
    int othersFd = open(others.c_str(), O_RDWR | O_CLOEXEC);
    const bool chowned = fchown(othersFd, 65534, 65534) == 0;
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
    int sockets[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets), 0);
    struct Case {
        const char* what;
        int fd;
        uint64_t offset = 0;
        uint32_t length = 16;
        uint32_t code = IOCTL_READ_PHYSICAL_MEMORY;
    };
    const std::vector<Case> cases = {
        {"a symbolic link", open((folder / "link").c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC)},
        {"a file opened by path only", openPlanted(O_PATH)},
        {"a file opened for reading", openPlanted(O_RDONLY)},
        {"a file opened for appending", openPlanted(O_WRONLY | O_APPEND)},
        {"a folder", open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)},
        {"a device", open("/dev/null", O_WRONLY | O_CLOEXEC)},
        {"a pipe", pipeEnds[1]},
        {"a socket", sockets[0]},
        {"an offset past the end", openPlanted(O_RDWR), 65},
        {"a read past the end", openPlanted(O_RDWR), 60},
        {"a write from the file", openPlanted(O_RDWR), 0, 16, IOCTL_WRITE_PHYSICAL_MEMORY},
        {"another user's file", chowned ? othersFd : -1},
    };
    // A read of one block, and one the driver would take in pieces.
    for (const uint32_t more : {0u, kMaxTransferLength})
        for (const Case& hostile : cases) {
            if (hostile.fd < 0) continue;  // not to be had here
            Reply reply =
                SharedExchange(hostile.code, MemoryRecord(0x100000, hostile.length + more),
                               {hostile.fd}, hostile.offset, wire::kFileRequestMagic);
            EXPECT_TRUE(reply.answered) << hostile.what << " + " << more;
            EXPECT_NE(reply.header.status, ERROR_SUCCESS) << hostile.what << " + " << more;
        }
    Reply none = SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(0x100000, 16), {}, 0,
                                wire::kFileRequestMagic);
    EXPECT_NE(none.header.status, ERROR_SUCCESS) << "no descriptor";
    EXPECT_EQ(ReadWholeFile(planted.string()), std::string(64, 'P'));
    EXPECT_EQ(ReadWholeFile(others.string()), std::string(64, 'O'));
    for (const Case& hostile : cases)
        if (hostile.fd >= 0 && hostile.fd != othersFd) close(hostile.fd);
    for (int fd : {othersFd, pipeEnds[0], sockets[1]}) close(fd);
}

// What reads of one block each through the socket give.
std::vector<uint8_t> ReadInBlocks(uint32_t address, uint32_t length) {
    std::vector<uint8_t> bytes(length);
    for (uint32_t done = 0; done < length; done += kMaxTransferLength) {
        const uint32_t count = std::min(length - done, kMaxTransferLength);
        EXPECT_EQ(ReadPhysicalMemory(address + done, bytes.data() + done, count), 1);
    }
    return bytes;
}

// A read into a file may take up to 64 MiB in one frame, on either route:
// the file gets what reads of one block each give. More than that, past
// 4 GiB or past the file's end writes nothing; a memory buffer still takes
// no more than one block.
TEST_F(DriverRequestTest, FileFramesTakeLargeReadsInOne) {
    for (const auto& [address, value] :
         {std::pair{0x100000u, 0x11111111u}, {0x4FFFFEu, 0x22222222u}, {0x8FFFFCu, 0x33333333u}})
        ASSERT_EQ(WritePhysicalMemory(address, &value, 4), 1);
    const fs::path path = machine_.directory() / "large.bin";
    int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    constexpr uint32_t kLargest = wire::kMaxFileTransferLength;
    struct Case {
        const char* what;
        uint32_t address;
        uint32_t length;
        uint64_t fileSize;
        uint32_t status = ERROR_SUCCESS;
    };
    const Case cases[] = {
        {"a block and a byte", 0x100000, 0x400001, 0x400001},
        {"the region and absent memory past it", 0x100000, kLargest, kLargest},
        {"more than a frame takes", 0x100000, kLargest + 1, kLargest + 1, ERROR_INVALID_PARAMETER},
        {"past 4 GiB", 0xFFC00000u, 0x800000, 0x800000, ERROR_INVALID_PARAMETER},
        {"past the file's end", 0x100000, 0x800000, 0x7FFFFF, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ftruncate(file, 0), 0);
        ASSERT_EQ(ftruncate(file, static_cast<off_t>(c.fileSize)), 0);
        Reply reply = SharedExchange(IOCTL_READ_PHYSICAL_MEMORY, MemoryRecord(c.address, c.length),
                                     {file}, 0, wire::kFileRequestMagic);
        ASSERT_TRUE(reply.answered) << c.what;
        EXPECT_EQ(reply.header.status, c.status) << c.what;
        if (c.status == ERROR_SUCCESS) {
            EXPECT_TRUE(BytesOf(file, 0, c.length) == ReadInBlocks(c.address, c.length)) << c.what;
            continue;
        }
        struct stat written {};
        ASSERT_EQ(fstat(file, &written), 0);
        EXPECT_EQ(written.st_blocks, 0) << c.what;
    }

    // The program's own routes, into a window onto the file.
    ASSERT_EQ(ftruncate(file, 0x800000), 0);
    SharedTransferBuffer window(file, 0, 0x800000);
    ASSERT_TRUE(window.IsShared());
    const std::vector<uint8_t> expected = ReadInBlocks(0x4FFFFE, 0x400004);
    ASSERT_EQ(ReadPhysicalMemory(0x4FFFFE, window.Data() + 1, 0x400004), 1);
    EXPECT_TRUE(BytesOf(file, 1, 0x400004) == expected);
    {
        VxdRoute route(machine_.path());
        ASSERT_TRUE(route.driver.Ready()) << route.driver.Process().StandardError();
        ASSERT_EQ(ftruncate(file, 0), 0);
        ASSERT_EQ(ftruncate(file, 0x800000), 0);
        // A driver of its own, with memory of its own.
        const uint32_t mark = 0x44444444u;
        ASSERT_EQ(WritePhysicalMemory(0x4FFFFE, &mark, 4), 1);
        ASSERT_EQ(ReadPhysicalMemory(0x4FFFFE, window.Data() + 2, 0x400004), 1);
        EXPECT_TRUE(BytesOf(file, 2, 0x400004) == ReadInBlocks(0x4FFFFE, 0x400004));
        EXPECT_EQ(BytesOf(file, 2, 4), std::vector<uint8_t>(4, 0x44));
        EXPECT_EQ(route.driver.Stop(), 0);
    }
    std::vector<uint8_t> memory(0x400001, 0x5A);
    EXPECT_EQ(ReadPhysicalMemory(0x100000, memory.data(), 0x400001), 0);
    EXPECT_EQ(memory[0], 0x5A);
    close(file);
}

// A client that sends its frame one byte at a time, slower than the deadline
// allows, from the header's first byte or after a whole header: the driver
// drops it, and a request made meanwhile is served.
TEST_F(DriverRequestTest, ATricklingClientIsDroppedAtTheFrameDeadline) {
    using namespace std::chrono;
    const wire::RequestHeader header{wire::kRequestMagic, IOCTL_READ_PCI_CONFIG,
                                     sizeof(DriverRequest), sizeof(DriverRequest), 0};
    std::vector<uint8_t> frame(sizeof(header) + sizeof(DriverRequest));
    std::memcpy(frame.data(), &header, sizeof(header));
    for (size_t from : {size_t{0}, sizeof(header)}) {
        SCOPED_TRACE(from == 0 ? "the header trickles" : "the record trickles");
        int trickler = Connect();
        ASSERT_TRUE(unix_socket::SendAll(trickler, frame.data(), from));
        const auto start = steady_clock::now();
        std::optional<steady_clock::duration> dropped;
        std::thread trickle([&] {
            // 15 bytes at 0.7 s each, far beyond the deadline.
            for (size_t at = from; at < from + 15; ++at) {
                if (send(trickler, &frame[at], 1, MSG_NOSIGNAL) != 1) break;
                pollfd closed{trickler, POLLIN, 0};
                if (poll(&closed, 1, 700) == 1) {  // the driver hung up
                    dropped = steady_clock::now() - start;
                    return;
                }
            }
        });
        std::this_thread::sleep_for(milliseconds(200));
        EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
        const auto served = steady_clock::now() - start;
        trickle.join();
        close(trickler);
        ASSERT_TRUE(dropped.has_value()) << "the trickling client was never dropped";
        EXPECT_GE(*dropped, seconds(2));
        // Served once the trickler's deadline ran out, not after all its bytes.
        EXPECT_LT(served, seconds(10));
    }
}

TEST_F(DriverRequestTest, PeersOfAnotherUserAreRefused) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    // Open the way to the socket, so the driver's own check is what refuses.
    fs::path directory = RuntimeDirectory();
    struct stat saved {};
    ASSERT_EQ(stat(directory.c_str(), &saved), 0);
    chmod(directory.c_str(), 0711);
    chmod(driver_->SocketPath().c_str(), 0666);
    std::string socket = driver_->SocketPath();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        char outcome = 'x';
        if (setgid(65534) == 0 && setuid(65534) == 0) {
            int fd = unix_socket::Connect(socket);
            if (fd < 0) {
                outcome = 'c';  // could not even connect
            } else {
                unix_socket::SetTimeouts(fd, 10);
                DriverRequest record{};
                record.ConfigAddress = 0x80000000u;
                SendFrame(fd, IOCTL_READ_PCI_CONFIG, &record, sizeof(record), sizeof(record));
                wire::ReplyHeader reply{};
                outcome = unix_socket::ReceiveAll(fd, &reply, sizeof(reply)) ? 'a' : 'r';
            }
        }
        (void)!write(pipeFds[1], &outcome, 1);
        _exit(0);
    }
    close(pipeFds[1]);
    char outcome = 0;
    ASSERT_EQ(read(pipeFds[0], &outcome, 1), 1);
    close(pipeFds[0]);
    waitpid(child, nullptr, 0);
    chmod(directory.c_str(), saved.st_mode & 07777);
    EXPECT_EQ(outcome, 'r') << "a: answered, c: no connection, x: could not switch user";
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
}

TEST(DriverProgram, StartUpFailuresAreReportedBeforeDetaching) {
    if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
    MachineFile machine;
    std::ofstream(machine.directory() / "bad.json")
        << R"({"functions": [{"bdf": "00:00.0", "config": "8g"}]})";
    std::string bad = (machine.directory() / "bad.json").string();
    AppProcess process(ForegroundDriver::Program(), {}, {{"BOREALIX_MACHINE", bad}});
    EXPECT_EQ(process.WaitForExit(std::chrono::seconds(10)), 1);
    EXPECT_EQ(process.StandardError(),
              "BOREX64.SYS: " + bad + ": functions[0].config: bad hex digit 'g' at position 1\n");
    EXPECT_FALSE(fs::exists(RuntimeDirectory() + "/Borealix"));

    AppProcess options(ForegroundDriver::Program(), {"--socket", "../elsewhere"});
    EXPECT_EQ(options.WaitForExit(std::chrono::seconds(10)), 1);

    for (const char* idle : {"0", "-5", "ten", "99999999999"}) {
        AppProcess idler(ForegroundDriver::Program(), {"--foreground"},
                         {{"BOREALIX_MACHINE", "builtin"}, {"BOREALIX_IDLE_SECONDS", idle}});
        EXPECT_EQ(idler.WaitForExit(std::chrono::seconds(10)), 1) << idle;
        EXPECT_EQ(idler.StandardError(), std::string("BOREX64.SYS: BOREALIX_IDLE_SECONDS: \"") +
                                             idle + "\" is not a positive number of seconds\n");
    }

    ForegroundDriver first(machine.path());
    ASSERT_TRUE(first.Ready());
    AppProcess second(ForegroundDriver::Program(), {"--foreground"},
                      {{"BOREALIX_MACHINE", machine.path()}});
    EXPECT_EQ(second.WaitForExit(std::chrono::seconds(10)), kDaemonAlreadyRunningStatus);
    EXPECT_EQ(second.StandardError(),
              "BOREX64.SYS: " + first.SocketPath() + ": a driver already runs there\n");
    EXPECT_EQ(ReadFunctionZero(), 0x303E8086u);
    EXPECT_EQ(first.Stop(), 0);
    EXPECT_FALSE(fs::exists(first.SocketPath()));
}

TEST(DriverProgram, DetachesAndStopsOnTheStopFrameOrSigterm) {
    if (!fs::exists(ForegroundDriver::Program())) GTEST_SKIP() << "driver not built";
    std::string socket = RuntimeDirectory() + "/Borealix";
    // Detached: the starter exits 0 at once and the socket already answers.
    AppProcess starter(ForegroundDriver::Program(), {}, {{"BOREALIX_MACHINE", "builtin"}});
    ASSERT_EQ(starter.WaitForExit(std::chrono::seconds(10)), 0) << starter.StandardError();
    EXPECT_TRUE(unix_socket::Answers(socket));
    struct stat status {};
    ASSERT_EQ(stat(socket.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_TRUE(SendStopFrame(socket));
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(socket); }, std::chrono::seconds(5)));

    ForegroundDriver attached("builtin");
    ASSERT_TRUE(attached.Ready());
    attached.Process().Signal(SIGTERM);
    EXPECT_EQ(attached.Process().WaitForExit(std::chrono::seconds(5)), 0);
    EXPECT_FALSE(fs::exists(socket));
}

}  // namespace
