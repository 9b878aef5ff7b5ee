// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "driver/DriverBackend.h"
#include "protocol/DriverRequest.h"

// One request as the caller made it: the code and both buffers. For the
// VxD codes the record arrives in the output buffer.
struct DriverCall {
    uint32_t code = 0;
    const uint8_t* in = nullptr;
    uint32_t inSize = 0;
    uint8_t* out = nullptr;
    uint32_t outSize = 0;
};

// Where the bytes of a memory request live, given the record's UserBuffer and
// TransferLength: the source of a write or the destination of a read. Null
// when that buffer cannot be reached. A failed read may have filled part of
// it, so the caller's own buffer must only be updated on success.
using UserMemory = std::function<uint8_t*(uint64_t userBuffer, uint32_t length)>;

// Checks every field of a request and carries it out on a backend. The
// output buffer is written only when the request succeeds. Requests from
// several threads are carried out one at a time: a backend serves one.
class RequestHandler {
  public:
    explicit RequestHandler(DriverBackend& backend) : backend_(backend) {}

    // ERROR_SUCCESS, or why the request was refused or failed. With
    // `readPieces`, a memory read hands its bytes there instead of to user
    // memory (a file frame); a memory write is then refused.
    uint32_t Handle(const DriverCall& call, const UserMemory& userMemory,
                    const DriverBackend::PhysicalPieces* readPieces = nullptr);

    static bool IsKnownCode(uint32_t code);
    static bool IsVxdCode(uint32_t code);

  private:
    static uint32_t TakeRecord(const DriverCall& call, DriverRequest* record);
    uint32_t TransferMemory(bool write, const DriverRequest& record, const UserMemory& userMemory,
                            const DriverBackend::PhysicalPieces* readPieces);
    uint32_t ListFunctions(DriverRequest* record);
    uint32_t ReadConfigBlock(DriverRequest* record, const UserMemory& userMemory);
    uint32_t ReadConfigBlocks(DriverRequest* record, const UserMemory& userMemory);
    uint32_t ReadPhysicalGather(DriverRequest* record, const UserMemory& userMemory);
    uint32_t ListSegmentFunctions(DriverRequest* record, const UserMemory& userMemory);
    uint32_t AccessConfig(bool write, DriverRequest* record);

    DriverBackend& backend_;
    std::mutex serving_;
};
