#include "cli/DriverStart.h"

#include "hw/DriverInstaller.h"
#include "platform/MessageBox.h"

bool StartDriver() {
    if (LoadDriver()) return true;
    ShowMessage("Error! Load driver failed!");
    return false;
}
