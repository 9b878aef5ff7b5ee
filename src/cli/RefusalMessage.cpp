#include "cli/RefusalMessage.h"

#include <cstdio>

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

// "offset 40 of 00:03.0" from a configuration mechanism address or a
// window offset, whose fields sit at different places.
std::string Register(uint32_t bus, uint32_t device, uint32_t function, uint32_t offset) {
    char text[64];
    std::snprintf(text, sizeof text, "offset %X of %02X:%02X.%X", offset, bus, device, function);
    return text;
}

std::string ConfigRegister(uint32_t address) {
    return Register(address >> 16 & 0xFF, address >> 11 & 0x1F, address >> 8 & 7, address & 0xFC);
}

std::string WindowRegister(const RefusedRequest& refused, std::optional<uint32_t> windowBase) {
    const uint32_t base = windowBase ? *windowBase : refused.physicalAddress & kDetectedBaseMask;
    const uint32_t offset = refused.physicalAddress - base;
    char where[64];
    std::snprintf(where, sizeof where, " (physical address %08X, %u bytes)",
                  refused.physicalAddress, refused.length);
    return Register(offset >> 20 & 0xFF, offset >> 15 & 0x1F, offset >> 12 & 7, offset & 0xFFF) +
           where;
}

std::string Request(const RefusedRequest& refused, std::optional<uint32_t> windowBase) {
    switch (refused.code) {
        case 0:
            return "Opening the driver";
        case IOCTL_LIST_PCI_FUNCTIONS:
            return "Listing the PCI functions";
        case IOCTL_READ_PCI_CONFIG:
            return "Reading " + ConfigRegister(refused.configAddress);
        case IOCTL_WRITE_PCI_CONFIG:
            return "Writing " + ConfigRegister(refused.configAddress);
        case IOCTL_READ_PHYSICAL_MEMORY:
            return "Reading " + WindowRegister(refused, windowBase);
        case IOCTL_WRITE_PHYSICAL_MEMORY:
            return "Writing " + WindowRegister(refused, windowBase);
        default:
            return "Request " + std::to_string(refused.code);
    }
}

}  // namespace

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
