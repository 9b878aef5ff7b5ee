#pragma once

// Installs and starts the driver as the window does; says so on stderr when
// that fails.
bool StartDriver();
