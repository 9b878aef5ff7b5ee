// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/Seam.h"
#include "platform/route/BusyRetry.h"
#include "platform/route/DriverRoute.h"
#include "platform/route/SharedTransferBuffer.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"

namespace {

constexpr const char* kDevicePrefix = "\\\\.\\";
constexpr int kReplyTimeoutSeconds = 30;
// A driver that turns a connection away (it serves as many of this user's
// as it allows) is asked again for this long.
constexpr std::chrono::milliseconds kBusyRetryTime{10000};

thread_local uint32_t lastError = ERROR_SUCCESS;

bool Fail(uint32_t error) {
    lastError = error;
    return false;
}

uint32_t ErrorOfConnect(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return ERROR_ACCESS_DENIED;
        case ETIMEDOUT:
            return ERROR_TIMEOUT;
        case ENOENT:
        case ECONNREFUSED:
        case ENOTDIR:
        case ENAMETOOLONG:
            return ERROR_FILE_NOT_FOUND;
        default:
            return ERROR_GEN_FAILURE;
    }
}

// A reply that did not come within its time is a timeout, not a failure.
uint32_t ErrorOfReply(int error) {
    return error == EAGAIN || error == EWOULDBLOCK ? ERROR_TIMEOUT : ERROR_GEN_FAILURE;
}

// Where a memory code names the caller's buffer: the record is the input
// buffer for the driver codes and the output buffer for the VxD codes.
struct UserTransferFields {
    wire::UserTransfer direction = wire::UserTransfer::None;
    uint32_t length = 0;
    void* buffer = nullptr;
    // Set when the buffer lies in memory shared with the driver.
    bool shared = false;
    SharedTransferBuffer::Location location{};
};

bool IsVxdCode(uint32_t code) {
    return code < 0x100;
}

bool ReadTransferFields(uint32_t code, const void* inBuffer, uint32_t inSize, const void* outBuffer,
                        uint32_t outSize, UserTransferFields* fields) {
    fields->direction = wire::UserTransferOf(code);
    if (fields->direction == wire::UserTransfer::None) return true;
    const void* record = IsVxdCode(code) ? outBuffer : inBuffer;
    uint32_t recordSize = IsVxdCode(code) ? outSize : inSize;
    if (!record || recordSize < wire::kRecordSize) return false;
    uint64_t address = 0;
    std::memcpy(&fields->length, static_cast<const char*>(record) + wire::kTransferLengthOffset,
                sizeof(fields->length));
    std::memcpy(&address, static_cast<const char*>(record) + wire::kUserBufferOffset,
                sizeof(address));
    if (fields->length > wire::kMaxFileTransferLength) return false;
    if (fields->length > 0 && address == 0) return false;
    fields->buffer = reinterpret_cast<void*>(static_cast<uintptr_t>(address));
    fields->shared = fields->length > 0 && SharedTransferBuffer::Locate(
                                               fields->buffer, fields->length, &fields->location);
    // A file takes what the driver reads; what goes to the driver travels
    // as bytes.
    const bool intoFile = fields->shared && fields->location.file && wire::ReadsIntoFile(code);
    if (fields->location.file && !intoFile) fields->shared = false;
    // Only a file frame carries more than one request's worth.
    return intoFile || fields->length <= kMaxTransferLength;
}

class NativeDeviceIo : public DeviceIo {
  public:
    DeviceHandle CreateFile(const std::string& path, uint32_t, uint32_t, uint32_t,
                            uint32_t) override {
        std::string prefix = kDevicePrefix;
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0 ||
            path.find('/') != std::string::npos) {
            Fail(ERROR_FILE_NOT_FOUND);
            return INVALID_DEVICE_HANDLE;
        }
        std::string socketPath = driver_route::DeviceSocketPath(path.substr(prefix.size()));
        int fd = unix_socket::Connect(socketPath);
        if (fd < 0) {
            Fail(ErrorOfConnect(errno));
            return INVALID_DEVICE_HANDLE;
        }
        unix_socket::SetTimeouts(fd, kReplyTimeoutSeconds);
        std::lock_guard<std::mutex> guard(mutex_);
        open_[fd] = socketPath;
        lastError = ERROR_SUCCESS;
        return fd;
    }

    bool DeviceIoControl(DeviceHandle handle, uint32_t code, void* inBuffer, uint32_t inSize,
                         void* outBuffer, uint32_t outSize, uint32_t* bytesReturned) override {
        std::string socketPath;
        if (!IsOpen(handle, &socketPath)) return Fail(ERROR_INVALID_HANDLE);
        if (inSize > wire::kMaxBufferSize || outSize > wire::kMaxBufferSize ||
            (inSize > 0 && !inBuffer) || (outSize > 0 && !outBuffer)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        UserTransferFields transfer;
        if (!ReadTransferFields(code, inBuffer, inSize, outBuffer, outSize, &transfer)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        int fd = static_cast<int>(handle);
        BusyRetry busy(std::chrono::steady_clock::now() + kBusyRetryTime);
        for (;;) {
            // A driver that turns the connection away may close it before
            // the request is sent; its answer is read all the same.
            bool sent = SendRequest(fd, code, inBuffer, inSize, outBuffer, outSize, transfer);
            if (!sent && errno != EPIPE && errno != ECONNRESET) return Fail(ErrorOfReply(errno));
            wire::ReplyHeader reply{};
            if (!unix_socket::ReceiveAll(fd, &reply, sizeof(reply))) {
                return Fail(sent ? ErrorOfReply(errno) : ERROR_GEN_FAILURE);
            }
            if (reply.magic != wire::kReplyMagic) return Fail(ERROR_GEN_FAILURE);
            if (!IsBusy(reply)) {
                if (!sent) return Fail(ERROR_GEN_FAILURE);
                return ReceiveReply(fd, reply, outBuffer, outSize, transfer, bytesReturned);
            }
            if (!busy.Pause()) return Fail(ERROR_BUSY);
            if (!Reconnect(fd, socketPath)) return Fail(ErrorOfConnect(errno));
        }
    }

    bool CloseHandle(DeviceHandle handle) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (open_.erase(static_cast<int>(handle)) == 0) return Fail(ERROR_INVALID_HANDLE);
        }
        close(static_cast<int>(handle));
        return true;
    }

    uint32_t GetLastError() override { return lastError; }
    uint32_t LargestFileRead() override { return wire::kMaxFileTransferLength; }

  private:
    bool IsOpen(DeviceHandle handle, std::string* socketPath) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = open_.find(static_cast<int>(handle));
        if (it == open_.end()) return false;
        *socketPath = it->second;
        return true;
    }

    // The handle's descriptor, connected anew to the same socket.
    static bool Reconnect(int fd, const std::string& socketPath) {
        int fresh = unix_socket::Connect(socketPath);
        if (fresh < 0) return false;
        bool moved = dup3(fresh, fd, O_CLOEXEC) == fd;
        int saved = errno;
        close(fresh);
        errno = saved;
        if (moved) unix_socket::SetTimeouts(fd, kReplyTimeoutSeconds);
        return moved;
    }

    static bool IsBusy(const wire::ReplyHeader& reply) {
        return reply.status == ERROR_BUSY && reply.outSize == 0 && reply.dataSize == 0;
    }

    static bool SendRequest(int fd, uint32_t code, const void* inBuffer, uint32_t inSize,
                            const void* outBuffer, uint32_t outSize,
                            const UserTransferFields& transfer) {
        bool toDriver = transfer.direction == wire::UserTransfer::ToDriver && !transfer.shared;
        const uint32_t magic = !transfer.shared         ? wire::kRequestMagic
                               : transfer.location.file ? wire::kFileRequestMagic
                                                        : wire::kSharedRequestMagic;
        wire::RequestHeader header{magic, code, inSize, outSize, toDriver ? transfer.length : 0};
        wire::SharedData shared{transfer.location.offset};
        return (transfer.shared ? unix_socket::SendAllWithDescriptor(fd, &header, sizeof(header),
                                                                     transfer.location.fd)
                                : unix_socket::SendAll(fd, &header, sizeof(header))) &&
               unix_socket::SendAll(fd, inBuffer, inSize) &&
               (!IsVxdCode(code) || unix_socket::SendAll(fd, outBuffer, outSize)) &&
               (!transfer.shared || unix_socket::SendAll(fd, &shared, sizeof(shared))) &&
               (!toDriver || unix_socket::SendAll(fd, transfer.buffer, transfer.length));
    }

    // The rest of the reply after its header. Everything is read before
    // anything is copied, so a reply that breaks off leaves the caller's
    // buffers as they were.
    static bool ReceiveReply(int fd, const wire::ReplyHeader& reply, void* outBuffer,
                             uint32_t outSize, const UserTransferFields& transfer,
                             uint32_t* bytesReturned) {
        if (reply.outSize > wire::kMaxBufferSize || reply.dataSize > kMaxTransferLength) {
            return Fail(ERROR_GEN_FAILURE);
        }
        // Left uninitialised: every byte is received before any is used.
        std::unique_ptr<char[]> output(new char[reply.outSize]);
        std::unique_ptr<char[]> data(new char[reply.dataSize]);
        if (!unix_socket::ReceiveAll(fd, output.get(), reply.outSize) ||
            !unix_socket::ReceiveAll(fd, data.get(), reply.dataSize)) {
            return Fail(ErrorOfReply(errno));
        }
        if (reply.status != ERROR_SUCCESS) return Fail(reply.status);
        // A read into a shared buffer is there already.
        bool fromDriver = transfer.direction == wire::UserTransfer::FromDriver && !transfer.shared;
        if (fromDriver ? reply.dataSize != transfer.length : reply.dataSize != 0) {
            return Fail(ERROR_GEN_FAILURE);
        }
        uint32_t copied = reply.outSize < outSize ? reply.outSize : outSize;
        if (copied > 0) std::memcpy(outBuffer, output.get(), copied);
        if (fromDriver && reply.dataSize > 0)
            std::memcpy(transfer.buffer, data.get(), reply.dataSize);
        if (bytesReturned) *bytesReturned = copied;
        lastError = ERROR_SUCCESS;
        return true;
    }

    std::mutex mutex_;
    // Each open handle and the socket it was connected to.
    std::map<int, std::string> open_;
};

}  // namespace

DeviceIo& DeviceIo::Native() {
    static NativeDeviceIo device;
    return device;
}

DeviceIo& DeviceIo::Current() {
    return Seam<DeviceIo>::Current();
}
