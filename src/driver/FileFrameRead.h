// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "driver/RequestHandler.h"

// A file frame's memory read: the driver writes the bytes into the file the
// client passed, from `offset` on, once the file passed the checks for the
// whole length. A read longer than one memory request is carried out as
// requests of kMaxTransferLength each, so other clients' requests take turns
// between them and no piece needs more than one request's memory. The caller
// then sees one request: its record back on success, else the first
// failure, with the bytes before it already in the file.
class FileFrameRead {
  public:
    explicit FileFrameRead(RequestHandler& handler) : handler_(handler) {}

    uint32_t Serve(const DriverCall& call, int file, uid_t peer, uint64_t offset);

  private:
    // The record of a call, or false when it carries none.
    static bool RecordOf(const DriverCall& call, DriverRequest* record);
    uint32_t ServeInPieces(const DriverCall& call, const DriverRequest& record,
                           const DriverBackend::PhysicalPieces& write);

    RequestHandler& handler_;
};
