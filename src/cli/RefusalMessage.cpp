// SPDX-License-Identifier: MIT
#include "cli/RefusalMessage.h"

#include <cstdio>

#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigWindow.h"
#include "platform/MessageBox.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"

namespace {

constexpr uint32_t kDetectedBaseMask = 0xF0000000u;

std::string Reason(uint32_t error) {
    if (error == ERROR_ACCESS_DENIED) return "access denied";
    if (error == ERROR_FILE_NOT_FOUND) return "no driver answers";
    if (error == ERROR_TIMEOUT) return "the driver did not answer in time";
    if (error == ERROR_BUSY) return "the driver is busy with this user's other requests";
    return "error " + std::to_string(error);
}

// "offset 40 of 00:03.0", from a configuration mechanism address or an
// address in the window.
std::string Register(const FunctionAddress& function, uint32_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "offset %X of ", offset);
    return text + ShownFunction(function);
}

std::string ConfigRegister(uint32_t address, uint16_t segment) {
    FunctionAddress function = config_mechanism::FunctionOf(address);
    function.segment = segment;
    return Register(function, config_mechanism::RegisterOf(address));
}

std::string WindowRegister(const RefusedRequest& refused, std::optional<uint32_t> windowBase) {
    const uint32_t base = windowBase ? *windowBase : refused.physicalAddress & kDetectedBaseMask;
    const ConfigWindow window{base};
    char where[64];
    std::snprintf(where, sizeof where, " (physical address %08X, %u bytes)",
                  refused.physicalAddress, refused.length);
    return Register(window.FunctionAt(refused.physicalAddress),
                    ConfigWindow::OffsetInFunction(refused.physicalAddress, base)) +
           where;
}

std::string Request(const RefusedRequest& refused, std::optional<uint32_t> windowBase) {
    switch (refused.code) {
        case 0:
            return "Opening the driver";
        case IOCTL_LIST_PCI_FUNCTIONS:
        case IOCTL_LIST_PCI_SEGMENT_FUNCTIONS:
            return "Listing the PCI functions";
        case IOCTL_READ_PCI_CONFIG:
        case IOCTL_READ_PCI_CONFIG_BLOCK:
            return "Reading " + ConfigRegister(refused.configAddress, refused.segment);
        case IOCTL_WRITE_PCI_CONFIG:
            return "Writing " + ConfigRegister(refused.configAddress, refused.segment);
        case IOCTL_READ_PHYSICAL_MEMORY:
            return "Reading " + WindowRegister(refused, windowBase);
        case IOCTL_WRITE_PHYSICAL_MEMORY:
            return "Writing " + WindowRegister(refused, windowBase);
        default:
            return "Request " + std::to_string(refused.code);
    }
}

}  // namespace

std::string ShownFunction(const FunctionAddress& function) {
    char text[24];
    if (function.segment != 0) {
        std::snprintf(text, sizeof text, "%04X:%02X:%02X.%X", function.segment, function.bus,
                      function.device, function.function);
    } else {
        std::snprintf(text, sizeof text, "%02X:%02X.%X", function.bus, function.device,
                      function.function);
    }
    return text;
}

std::string RefusalMessage(const RefusedRequest& refused, std::optional<uint32_t> windowBase) {
    return Request(refused, windowBase) + " failed: " + Reason(refused.error);
}

bool ReportedRefusal(const RefusedRequestWatch& watch, std::optional<uint32_t> windowBase) {
    if (!watch.FirstRefused()) return false;
    ShowMessage(RefusalMessage(*watch.FirstRefused(), windowBase));
    return true;
}

bool IsWindowProbe(const RefusedRequest& refused) {
    return refused.code == IOCTL_READ_PHYSICAL_MEMORY && refused.length == 4;
}
