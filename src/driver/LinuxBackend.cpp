// SPDX-License-Identifier: MIT
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
#include "pcidef/ConfigRegisters.h"
#include "protocol/ErrorCodes.h"

namespace {

uint32_t ErrorOf(int error) {
    return error == EACCES || error == EPERM ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE;
}

// "DDDD:BB:DD.F": a function of segment DDDD.
bool ParseFunctionName(const std::string& name, FunctionAddress* function) {
    const AddressText read = ReadFunctionAddress(name, AddressDigits::Printed, function);
    return read.length == name.size() && read.withSegment && function->InRange();
}

}  // namespace

LinuxBackend::LinuxBackend(Paths paths)
    : paths_(std::move(paths)), windows_(ReadMcfgTable(paths_.mcfg)) {}

std::string LinuxBackend::ConfigPath(FunctionAddress function) const {
    return paths_.devices + "/" + function.ToString(true) + "/config";
}

uint32_t LinuxBackend::ListFunctions(std::vector<FunctionAddress>* functions) {
    functions->clear();
    DIR* directory = opendir(paths_.devices.c_str());
    if (!directory) return errno == ENOENT ? ERROR_SUCCESS : ErrorOf(errno);
    std::vector<std::string> names;
    while (dirent* entry = readdir(directory)) names.emplace_back(entry->d_name);
    closedir(directory);
    // Fixed-width hex names: sorted by name is the kernel's order, segment
    // by segment.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        FunctionAddress function;
        if (ParseFunctionName(name, &function)) functions->push_back(function);
    }
    return ERROR_SUCCESS;
}

uint32_t LinuxBackend::ReadConfigBytes(FunctionAddress function, uint32_t offset, uint8_t* out,
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
    uint64_t size = std::max<uint64_t>(static_cast<uint64_t>(status.st_size), pcireg::kConfigSize);
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

uint32_t LinuxBackend::WriteConfigBytes(FunctionAddress function, uint32_t offset,
                                        const uint8_t* in, uint32_t length) {
    if (paths_.readOnly) return ERROR_ACCESS_DENIED;
    FileDescriptor file(open(ConfigPath(function).c_str(), O_WRONLY | O_CLOEXEC));
    if (file.get() < 0) return errno == ENOENT ? ERROR_SUCCESS : ErrorOf(errno);
    ssize_t put = pwrite(file.get(), in, length, offset);
    if (put < 0) return ErrorOf(errno);
    return static_cast<uint32_t>(put) == length ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

uint32_t LinuxBackend::ReadConfigDword(FunctionAddress function, uint32_t offset, uint32_t* value) {
    uint8_t bytes[4];
    uint32_t status = ReadConfigBytes(function, offset, bytes, sizeof(bytes));
    if (status == ERROR_SUCCESS) std::memcpy(value, bytes, sizeof(bytes));
    return status;
}

uint32_t LinuxBackend::ReadConfigBlock(FunctionAddress function, uint32_t size, uint8_t* bytes,
                                       uint8_t* dwordRead) {
    FileDescriptor file(open(ConfigPath(function).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0)
        return ReadConfigDwords(function, 0, size, bytes, dwordRead);
    // As ReadConfigBytes: the header always comes from the file, beyond the
    // file's end reads 0.
    const uint64_t fileSize =
        std::max<uint64_t>(static_cast<uint64_t>(status.st_size), pcireg::kConfigSize);
    const uint32_t inFile = static_cast<uint32_t>(std::min<uint64_t>(size, fileSize));
    const ssize_t got = pread(file.get(), bytes, inFile, 0);
    const uint32_t whole = got < 0 ? 0 : static_cast<uint32_t>(got) / 4 * 4;
    std::memset(bytes + inFile, 0, size - inFile);
    std::memset(dwordRead, 1, whole / 4);
    if (whole == inFile) {
        std::memset(dwordRead + inFile / 4, 1, (size - inFile) / 4);
        return ERROR_SUCCESS;
    }
    return ReadConfigDwords(function, whole, size, bytes, dwordRead);
}

uint32_t LinuxBackend::WriteConfigDword(FunctionAddress function, uint32_t offset, uint32_t value) {
    uint8_t bytes[4];
    std::memcpy(bytes, &value, sizeof(bytes));
    return WriteConfigBytes(function, offset, bytes, sizeof(bytes));
}

uint32_t LinuxBackend::AccessMemory(bool write, uint64_t address, uint8_t* buffer,
                                    uint32_t length) {
    FileDescriptor memory(-1);
    uint32_t status = ERROR_SUCCESS;
    ForEachWindowPiece(
        windows_, address, length, [&](const WindowPiece& piece, uint64_t at, uint64_t done) {
            status = piece.inWindow
                         ? AccessWindow(write, piece, buffer + done)
                         : AccessPhysical(write, at, piece.length, buffer + done, &memory);
            return status == ERROR_SUCCESS;
        });
    return status;
}

uint32_t LinuxBackend::AccessWindow(bool write, const WindowPiece& piece, uint8_t* buffer) {
    const uint32_t length = static_cast<uint32_t>(piece.length);
    return write ? WriteConfigBytes(piece.function, piece.offset, buffer, length)
                 : ReadConfigBytes(piece.function, piece.offset, buffer, length);
}

// /dev/mem is opened at the first piece outside the windows and kept for the
// rest of the request.
uint32_t LinuxBackend::AccessPhysical(bool write, uint64_t address, uint64_t length,
                                      uint8_t* buffer, FileDescriptor* memory) {
    if (memory->get() < 0) {
        int fd = open(paths_.memory.c_str(), (write ? O_WRONLY : O_RDONLY) | O_CLOEXEC);
        if (fd < 0) return ErrorOf(errno);
        memory->Reset(fd);
    }
    ssize_t moved = write ? pwrite(memory->get(), buffer, length, static_cast<off_t>(address))
                          : pread(memory->get(), buffer, length, static_cast<off_t>(address));
    if (moved < 0) return ErrorOf(errno);
    return static_cast<uint64_t>(moved) == length ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

uint32_t LinuxBackend::ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) {
    return AccessMemory(false, address, buffer, length);
}

uint32_t LinuxBackend::WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) {
    if (paths_.readOnly) return ERROR_ACCESS_DENIED;
    // The buffer is only read on this path.
    return AccessMemory(true, address, const_cast<uint8_t*>(buffer), length);
}
