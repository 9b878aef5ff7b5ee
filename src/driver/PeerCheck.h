#pragma once

// Whether the process at the other end of a connected local socket may use
// the driver: root, the driver's own user, or a member of group "borealix".
bool IsPeerAllowed(int fd);
