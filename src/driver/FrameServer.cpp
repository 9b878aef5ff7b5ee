#include "driver/FrameServer.h"

#include "platform/DeviceWire.h"
#include "platform/ErrorCodes.h"
#include "platform/UnixSocket.h"

bool FrameServer::ServeConnection(int fd) {
    for (;;) {
        switch (ServeFrame(fd)) {
            case Outcome::Continue:
                continue;
            case Outcome::Close:
                return false;
            case Outcome::Stop:
                return true;
        }
    }
}

void FrameServer::Reply(int fd, uint32_t status, const uint8_t* out, uint32_t outSize,
                        const uint8_t* data, uint32_t dataSize) {
    wire::ReplyHeader header{wire::kReplyMagic, status, outSize, dataSize};
    // A client that has gone cannot be answered; nothing more to do then.
    unix_socket::SendAll(fd, &header, sizeof(header)) && unix_socket::SendAll(fd, out, outSize) &&
        unix_socket::SendAll(fd, data, dataSize);
}

FrameServer::Outcome FrameServer::ServeFrame(int fd) {
    wire::RequestHeader header{};
    if (!unix_socket::ReceiveAll(fd, &header, sizeof(header))) return Outcome::Close;
    if (header.magic != wire::kRequestMagic) {
        Reply(fd, ERROR_INVALID_PARAMETER);
        return Outcome::Close;
    }
    if (header.code == wire::kStopControlCode) {
        Reply(fd, ERROR_SUCCESS);
        return Outcome::Stop;
    }
    if (header.inSize > wire::kMaxBufferSize || header.outSize > wire::kMaxBufferSize ||
        header.dataSize > wire::kMaxDataSize) {
        Reply(fd, ERROR_INVALID_PARAMETER);
        return Outcome::Close;
    }
    // The VxD codes carry their record in the output buffer, which travels
    // after the (empty) input buffer.
    bool vxd = RequestHandler::IsVxdCode(header.code);
    uint8_t in[wire::kMaxBufferSize], out[wire::kMaxBufferSize];
    // Kept from one request to the next: 4 MiB fresh for every transfer
    // would cost more than the transfer itself.
    if (data_.size() < header.dataSize) data_.resize(header.dataSize);
    if (!unix_socket::ReceiveAll(fd, in, header.inSize) ||
        (vxd && !unix_socket::ReceiveAll(fd, out, header.outSize)) ||
        !unix_socket::ReceiveAll(fd, data_.data(), header.dataSize)) {
        Reply(fd, ERROR_INVALID_PARAMETER);
        return Outcome::Close;
    }
    wire::UserTransfer transfer = wire::UserTransferOf(header.code);
    if (transfer != wire::UserTransfer::ToDriver && header.dataSize != 0) {
        Reply(fd, ERROR_INVALID_PARAMETER);
        return Outcome::Continue;
    }
    uint32_t readLength = 0;
    UserMemory userMemory = [&](uint64_t, uint32_t length) -> uint8_t* {
        if (transfer == wire::UserTransfer::ToDriver) {
            return length == header.dataSize ? data_.data() : nullptr;
        }
        if (data_.size() < length) data_.resize(length);
        readLength = length;
        return data_.data();
    };
    DriverCall call{header.code, in, header.inSize, out, header.outSize};
    uint32_t status = handler_.Handle(call, userMemory);
    if (status != ERROR_SUCCESS) {
        Reply(fd, status);
    } else {
        Reply(fd, status, out, header.outSize, data_.data(), readLength);
    }
    return Outcome::Continue;
}
