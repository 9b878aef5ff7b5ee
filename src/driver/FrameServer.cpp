// SPDX-License-Identifier: MIT
#include "driver/FrameServer.h"

#include <string.h>
#include <sys/socket.h>

#include <algorithm>

#include "driver/FileFrameRead.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"

namespace {

// The status that asks the driver to stop rather than answer a request.
constexpr uint32_t kStopRequested = 0xFFFFFFFFu;

}  // namespace

FrameServer::Outcome FrameServer::ServeConnection(int fd, bool mayStop) {
    Frame frame;
    Outcome outcome = Serve(fd, mayStop, frame);
    Forget(frame);
    return outcome;
}

void FrameServer::TurnAway(int fd) {
    wire::ReplyHeader busy{wire::kReplyMagic, ERROR_BUSY, 0, 0};
    // A fresh connection takes these few bytes at once; one that cannot is
    // not waited for.
    (void)!send(fd, &busy, sizeof(busy), MSG_DONTWAIT | MSG_NOSIGNAL);
}

// What a request carried or read stays in memory no longer than the
// request: nothing for a core dump or a later reader to find.
void FrameServer::Forget(Frame& frame) {
    explicit_bzero(frame.in, frame.inSize);
    explicit_bzero(frame.out, frame.outSize);
    const size_t used = std::min<size_t>(data_.size(), std::max(frame.dataSize, frame.readLength));
    if (used > 0) explicit_bzero(data_.data(), used);
}

FrameServer::Outcome FrameServer::Serve(int fd, bool mayStop, Frame& frame) {
    DeadlineStream stream(fd, DeadlineStream::Clock::now() + kFrameDeadline);
    bool answer = true;
    uint32_t status = ReadFrame(stream, &frame, &answer);
    stream.ExtendTo(DeadlineStream::Clock::now() + kFrameDeadline);
    if (status == kStopRequested && !mayStop) status = ERROR_ACCESS_DENIED;
    if (status == kStopRequested) {
        Reply(stream, ERROR_SUCCESS);
        return Outcome::Stop;
    }
    if (status != ERROR_SUCCESS) {
        if (answer) Reply(stream, status);
        return Outcome::Served;
    }
    status = Handle(fd, frame, &frame.readLength);
    // The client's file or memory is its own again before it hears back: a
    // dump file it then removes is not kept alive, nor written back, by us.
    frame.passed.Reset(-1);
    // The reply has its own time, however long the request took.
    stream.ExtendTo(DeadlineStream::Clock::now() + kFrameDeadline);
    if (status != ERROR_SUCCESS) {
        Reply(stream, status);
    } else {
        Reply(stream, status, frame.out, frame.outSize, data_.data(), frame.readLength);
    }
    return Outcome::Served;
}

uint32_t FrameServer::ReadFrame(DeadlineStream& stream, Frame* frame, bool* answer) {
    wire::RequestHeader header{};
    *answer = false;
    int passed = -1;
    bool several = false;
    if (!stream.ReceiveWithDescriptor(&header, sizeof(header), &passed, &several))
        return ERROR_INVALID_PARAMETER;
    frame->passed.Reset(passed);
    *answer = true;
    if (several) return ERROR_INVALID_PARAMETER;
    frame->shared = header.magic == wire::kSharedRequestMagic;
    frame->file = header.magic == wire::kFileRequestMagic;
    const bool passing = frame->shared || frame->file;
    if (header.magic != wire::kRequestMagic && !passing) return ERROR_INVALID_PARAMETER;
    // A descriptor comes with a shared memory frame or a file frame and
    // nothing else; a file takes reads only.
    const wire::UserTransfer transfer = wire::UserTransferOf(header.code);
    if (passing != (passed >= 0) ||
        (passing && (transfer == wire::UserTransfer::None || header.dataSize != 0)) ||
        (frame->file && !wire::ReadsIntoFile(header.code)))
        return ERROR_INVALID_PARAMETER;
    if (header.code == wire::kStopControlCode) return kStopRequested;
    if (header.inSize > wire::kMaxBufferSize || header.outSize > wire::kMaxBufferSize ||
        header.dataSize > kMaxTransferLength) {
        return ERROR_INVALID_PARAMETER;
    }
    frame->code = header.code;
    frame->inSize = header.inSize;
    frame->outSize = header.outSize;
    frame->dataSize = header.dataSize;
    // Kept from one request to the next: 4 MiB fresh for every transfer
    // would cost more than the transfer itself.
    if (data_.size() < header.dataSize) data_.resize(header.dataSize);
    // The VxD codes carry their record in the output buffer, which travels
    // after the (empty) input buffer.
    bool vxd = RequestHandler::IsVxdCode(header.code);
    wire::SharedData shared{};
    if (!stream.Receive(frame->in, header.inSize) ||
        (vxd && !stream.Receive(frame->out, header.outSize)) ||
        (passing && !stream.Receive(&shared, sizeof(shared))) ||
        !stream.Receive(data_.data(), header.dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    frame->sharedOffset = shared.offset;
    bool toDriver = wire::UserTransferOf(header.code) == wire::UserTransfer::ToDriver;
    if (!toDriver && header.dataSize != 0) return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

uint32_t FrameServer::HandleIntoFile(int fd, Frame& frame, const DriverCall& call) {
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return ERROR_ACCESS_DENIED;
    return FileFrameRead(handler_).Serve(call, frame.passed.get(), peer.uid, frame.sharedOffset);
}

uint32_t FrameServer::Handle(int fd, Frame& frame, uint32_t* readLength) {
    DriverCall call{frame.code, frame.in, frame.inSize, frame.out, frame.outSize};
    if (frame.file) return HandleIntoFile(fd, frame, call);
    wire::UserTransfer transfer = wire::UserTransferOf(frame.code);
    UserMemory userMemory = [&](uint64_t, uint32_t length) -> uint8_t* {
        if (frame.shared) {
            bool driverWrites = transfer == wire::UserTransfer::FromDriver;
            return shared_.Map(frame.passed.get(), frame.sharedOffset, length, driverWrites);
        }
        if (transfer == wire::UserTransfer::ToDriver) {
            return length == frame.dataSize ? data_.data() : nullptr;
        }
        // Whatever a request lets through, one frame's data is one transfer.
        if (length > kMaxTransferLength) return nullptr;
        if (data_.size() < length) data_.resize(length);
        *readLength = length;
        return data_.data();
    };
    return handler_.Handle(call, userMemory);
}

void FrameServer::Reply(DeadlineStream& stream, uint32_t status, const uint8_t* out,
                        uint32_t outSize, const uint8_t* data, uint32_t dataSize) {
    wire::ReplyHeader header{wire::kReplyMagic, status, outSize, dataSize};
    // A client that has gone cannot be answered; nothing more to do then.
    stream.Send(&header, sizeof(header)) && stream.Send(out, outSize) &&
        stream.Send(data, dataSize);
}
