#include "driver/LinuxBackend.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "driver/FileDescriptor.h"
#include "protocol/ErrorCodes.h"

namespace {

uint32_t ErrorOf(int error) {
    return error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE;
}

// "0000:BB:DD.F" names a function of segment 0.
bool ParseFunctionName(const char* name, Bdf* function) {
    unsigned domain = 0, bus = 0, device = 0, fn = 0;
    char tail = 0;
    if (std::strlen(name) != 12 ||
        std::sscanf(name, "%4x:%2x:%2x.%1x%c", &domain, &bus, &device, &fn, &tail) != 4) {
        return false;
    }
    if (domain != 0 || device > 0x1F || fn > 7) return false;
    *function = {static_cast<uint8_t>(bus), static_cast<uint8_t>(device), static_cast<uint8_t>(fn)};
    return true;
}

}  // namespace

LinuxBackend::LinuxBackend(Paths paths)
    : paths_(std::move(paths)), windows_(ReadMcfgTable(paths_.mcfg)) {}

std::string LinuxBackend::ConfigPath(Bdf function) const {
    return paths_.devices + "/0000:" + function.ToString() + "/config";
}

uint32_t LinuxBackend::ListFunctions(std::vector<Bdf>* functions) {
    functions->clear();
    DIR* directory = opendir(paths_.devices.c_str());
    if (!directory) return errno == ENOENT ? ERROR_SUCCESS : ErrorOf(errno);
    std::vector<std::string> names;
    while (dirent* entry = readdir(directory)) names.emplace_back(entry->d_name);
    closedir(directory);
    // Fixed-width hex names: sorted by name is the kernel's bus order.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        Bdf function;
        if (ParseFunctionName(name.c_str(), &function)) functions->push_back(function);
    }
    return ERROR_SUCCESS;
}

uint32_t LinuxBackend::ReadConfigBytes(Bdf function, uint32_t offset, uint8_t* out,
                                       uint32_t length) {
    FileDescriptor file(open(ConfigPath(function).c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno != ENOENT) return ErrorOf(errno);
        std::memset(out, 0xFF, length);
        return ERROR_SUCCESS;
    }
    struct stat status {};
    if (fstat(file.get(), &status) != 0) return ErrorOf(errno);
    // Every function has at least the 256 bytes of the header; a file that
    // shows fewer is hiding them, so those must come from the file.
    uint64_t size = std::max<uint64_t>(static_cast<uint64_t>(status.st_size), 256);
    uint32_t inFile =
        offset >= size ? 0 : static_cast<uint32_t>(std::min<uint64_t>(length, size - offset));
    if (inFile > 0) {
        ssize_t got = pread(file.get(), out, inFile, offset);
        if (got < 0) return ErrorOf(errno);
        // Unprivileged readers get only the header: that is a refusal, not data.
        if (static_cast<uint32_t>(got) != inFile) return ERROR_ACCESS_DENIED;
    }
    std::memset(out + inFile, 0, length - inFile);
    return ERROR_SUCCESS;
}

uint32_t LinuxBackend::WriteConfigBytes(Bdf function, uint32_t offset, const uint8_t* in,
                                        uint32_t length) {
    if (paths_.readOnly) return ERROR_ACCESS_DENIED;
    FileDescriptor file(open(ConfigPath(function).c_str(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? ERROR_SUCCESS : ErrorOf(errno);
    ssize_t put = pwrite(file.get(), in, length, offset);
    if (put < 0) return ErrorOf(errno);
    return static_cast<uint32_t>(put) == length ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

uint32_t LinuxBackend::ReadConfigDword(Bdf function, uint32_t offset, uint32_t* value) {
    uint8_t bytes[4];
    uint32_t status = ReadConfigBytes(function, offset, bytes, sizeof(bytes));
    if (status == ERROR_SUCCESS) std::memcpy(value, bytes, sizeof(bytes));
    return status;
}

uint32_t LinuxBackend::WriteConfigDword(Bdf function, uint32_t offset, uint32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof(bytes));
    return WriteConfigBytes(function, offset, bytes, sizeof(bytes));
}

bool LinuxBackend::WindowPiece(uint64_t address, uint64_t length, Bdf* function, uint32_t* offset,
                               uint64_t* pieceLength) const {
    for (const McfgWindow& window : windows_) {
        if (address < window.Begin() || address >= window.End()) continue;
        uint64_t relative = address - window.base;
        *function = Bdf::FromWindowOffset(relative);
        *offset = static_cast<uint32_t>(relative & 0xFFF);
        *pieceLength = std::min<uint64_t>(length, 4096 - *offset);
        return true;
    }
    return false;
}

uint64_t LinuxBackend::DistanceToNextWindow(uint64_t address, uint64_t length) const {
    uint64_t distance = length;
    for (const McfgWindow& window : windows_) {
        if (window.Begin() > address) distance = std::min(distance, window.Begin() - address);
    }
    return distance;
}

uint32_t LinuxBackend::AccessMemory(bool write, uint64_t address, uint8_t* buffer,
                                    uint32_t length) {
    FileDescriptor memory(-1);
    uint64_t done = 0;
    while (done < length) {
        uint64_t at = address + done;
        uint64_t left = length - done;
        Bdf function;
        uint32_t offset = 0;
        uint64_t piece = 0;
        uint32_t status = ERROR_SUCCESS;
        if (WindowPiece(at, left, &function, &offset, &piece)) {
            status = write ? WriteConfigBytes(function, offset, buffer + done,
                                              static_cast<uint32_t>(piece))
                           : ReadConfigBytes(function, offset, buffer + done,
                                             static_cast<uint32_t>(piece));
        } else {
            piece = DistanceToNextWindow(at, left);
            if (memory.get() < 0) {
                int fd = open(paths_.memory.c_str(), (write ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
                if (fd < 0) return ErrorOf(errno);
                memory.Reset(fd);
            }
            ssize_t moved = write
                                ? pwrite(memory.get(), buffer + done, piece, static_cast<off_t>(at))
                                : pread(memory.get(), buffer + done, piece, static_cast<off_t>(at));
            if (moved < 0) return ErrorOf(errno);
            if (static_cast<uint64_t>(moved) != piece) return ERROR_GEN_FAILURE;
        }
        if (status != ERROR_SUCCESS) return status;
        done += piece;
    }
    return ERROR_SUCCESS;
}

uint32_t LinuxBackend::ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) {
    return AccessMemory(false, address, buffer, length);
}

uint32_t LinuxBackend::WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) {
    if (paths_.readOnly) return ERROR_ACCESS_DENIED;
    // The buffer is only read on this path.
    return AccessMemory(true, address, const_cast<uint8_t*>(buffer), length);
}
