#include "cli/DriverStart.h"

#include "hw/DriverInstaller.h"
#include "platform/MessageBox.h"

bool StartDriver() {
    if (LoadDriver()) return true;
    ShowMessage(LoadDriverFailedMessage());
    return false;
}
