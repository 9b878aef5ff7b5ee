// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

class PciWindowModel;

// report --json: for each function the report covers, its decode (as
// `decode --json` prints it) with "config", the bytes read in lower-case
// hex, and "rows", the report's register lines as offset, value and
// description. Reads the functions as the report does; --all covers the
// scan's table, else the function the model shows.
std::string AllDevicesReportJson(PciWindowModel& model);
std::string CurrentDeviceReportJson(const PciWindowModel& model);
