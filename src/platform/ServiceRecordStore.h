// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "platform/ServiceManager.h"

// Service records as files RuntimeDirectory()/services/NAME, one
// "Key=value" line per field. Each function returns ERROR_SUCCESS or the
// platform's error code; malformed records are reported on stderr with the
// file, line and text.
namespace service_records {

// Makes sure the runtime directory and its services/ folder may be
// trusted (creating the folder if needed); ERROR_ACCESS_DENIED, with the
// refusal noted, when not.
uint32_t OpenDatabase();
bool IsValidName(const std::string& name);
// ERROR_SERVICE_EXISTS when a record of that name is already there.
uint32_t Create(const ServiceConfig& config);
// ERROR_SERVICE_DOES_NOT_EXIST when there is none; ERROR_ACCESS_DENIED,
// with the refusal noted, when the record may not be trusted.
uint32_t Read(const std::string& name, ServiceConfig* config);
uint32_t Remove(const std::string& name);

}  // namespace service_records
