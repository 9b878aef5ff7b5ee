// SPDX-License-Identifier: MIT
#include "cli/DriverStart.h"

#include <filesystem>

#include "hw/DriverInstaller.h"
#include "hw/RequestRoute.h"
#include "platform/MessageBox.h"

bool StartDriver() {
    ChooseRequestRoute();
    if (LoadDriver()) return true;
    ShowMessage(LoadDriverFailedMessage());
    return false;
}

std::string PathFromHere(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}
