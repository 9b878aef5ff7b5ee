// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "protocol/DriverRequest.h"

// One request, one device open: the record goes out as input and comes back
// as output. 1 when the driver carried it out, 0 otherwise.
int SendDriverRequest(uint32_t code, DriverRequest* record);

// The 9x route of the memory codes: the VxD is loaded by the open and
// unloaded by the close; the record is the output buffer only.
int SendVxdRequest(uint32_t code, DriverRequest* record);
