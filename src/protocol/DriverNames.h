// SPDX-License-Identifier: MIT
#pragma once

// The names program and driver agree on.

// The driver's service, its device "\\.\Borealix" and the socket behind it,
// in the runtime directory or the system driver's folder.
inline constexpr const char* kDriverName = "Borealix";

// The simulated machine a driver serves: a machine file's path or "builtin".
// The program sets it for the driver it starts; unset or empty is this
// machine's hardware.
inline constexpr const char* kMachineVariable = "BOREALIX_MACHINE";

// The runtime directory, where a driver of the user's own listens.
inline constexpr const char* kRuntimeDirectoryVariable = "BOREALIX_RUNTIME_DIR";
