// SPDX-License-Identifier: MIT
#include "driver/FileFrameRead.h"

#include <algorithm>
#include <cstring>

#include "driver/ClientFile.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"

bool FileFrameRead::RecordOf(const DriverCall& call, DriverRequest* record) {
    const bool vxd = RequestHandler::IsVxdCode(call.code);
    const uint8_t* bytes = vxd ? call.out : call.in;
    const uint32_t size = vxd ? call.outSize : call.inSize;
    if (!bytes || !call.out || size != sizeof(DriverRequest) ||
        call.outSize != sizeof(DriverRequest))
        return false;
    std::memcpy(record, bytes, sizeof(DriverRequest));
    return true;
}

uint32_t FileFrameRead::Serve(const DriverCall& call, int file, uid_t peer, uint64_t offset) {
    DriverRequest record;
    if (!RecordOf(call, &record)) return ERROR_INVALID_PARAMETER;
    const uint32_t length = record.TransferLength;
    const uint32_t address = static_cast<uint32_t>(record.PhysicalAddress);
    if (length > wire::kMaxFileTransferLength || uint64_t{address} + length > (uint64_t{1} << 32))
        return ERROR_INVALID_PARAMETER;
    ClientFile target;
    const uint32_t status = target.Open(file, peer, offset, length);
    if (status != ERROR_SUCCESS) return status;
    const DriverBackend::PhysicalPieces write = [&target](const uint8_t* bytes, uint64_t count) {
        return target.Write(bytes, count);
    };
    // One request's worth is one request, checked as any other.
    if (length <= kMaxTransferLength) return handler_.Handle(call, nullptr, &write);
    return ServeInPieces(call, record, write);
}

uint32_t FileFrameRead::ServeInPieces(const DriverCall& call, const DriverRequest& record,
                                      const DriverBackend::PhysicalPieces& write) {
    const uint32_t address = static_cast<uint32_t>(record.PhysicalAddress);
    DriverRequest piece = record;
    DriverRequest answer{};
    DriverCall pieceCall{call.code, nullptr, 0, reinterpret_cast<uint8_t*>(&answer),
                         sizeof(answer)};
    // The driver codes take their record from the input buffer, the VxD
    // codes from the output buffer.
    if (RequestHandler::IsVxdCode(call.code)) {
        pieceCall.out = reinterpret_cast<uint8_t*>(&piece);
    } else {
        pieceCall.in = reinterpret_cast<const uint8_t*>(&piece);
        pieceCall.inSize = sizeof(piece);
    }
    for (uint32_t done = 0; done < record.TransferLength;) {
        piece.TransferLength = std::min(record.TransferLength - done, kMaxTransferLength);
        piece.PhysicalAddress = SignExtendAddress(address + done);
        const uint32_t status = handler_.Handle(pieceCall, nullptr, &write);
        if (status != ERROR_SUCCESS) return status;
        done += piece.TransferLength;
    }
    std::memcpy(call.out, &record, sizeof(record));
    return ERROR_SUCCESS;
}
