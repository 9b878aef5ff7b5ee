// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Which driver this process talks to. On a simulated machine, always a
// driver of its own in the runtime directory. On this machine's hardware,
// the system driver wherever it admits this process; otherwise a driver of
// its own, which only root may run: anyone else would see only what the
// kernel shows every user, and be shown made-up values for the rest.
namespace driver_route {

enum class SystemReach { Admitted, Absent, Refused, Untrusted, Timeout };

// Connects to the system driver's socket and asks it for the function
// list, which changes nothing: Admitted when it answered, Absent when
// nothing listens there, Refused when the socket or the driver turned this
// process away (or the driver failed the request), Timeout when it did not
// take the connection or answer in time. Untrusted, with the
// reason in *problem, when the socket or a folder above it is not root's
// alone: whatever listens there may not be the machine's driver, and is
// not even asked.
SystemReach ProbeSystemDriver(std::string* problem = nullptr);

// BOREALIX_MACHINE names a simulated machine.
bool OnSimulatedMachine();

// On this machine's hardware, and the system driver admits this process.
// Probed at the first ask and kept while the machine and the system
// driver's folder stay the same, so requests do not each probe again; a
// timeout is kept only for a short while, and never taken for a refusal.
bool UsesSystemDriver();

// The socket behind the device "\\.\NAME": the system driver's for its
// service name while UsesSystemDriver(), else NAME in the runtime directory.
std::string DeviceSocketPath(const std::string& name);

// "" when this process may start a driver of its own: on a simulated
// machine, or as root. Otherwise what this user can do about it, in one
// line, naming what was found of the system driver.
std::string OwnDriverProblem();

}  // namespace driver_route
