// SPDX-License-Identifier: MIT
#include "platform/ServiceRecordStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/trust/DirectoryCreation.h"
#include "platform/trust/RuntimeDirectory.h"
#include "platform/trust/TrustRefusals.h"
#include "platform/trust/TrustedPath.h"
#include "protocol/ErrorCodes.h"

namespace service_records {

namespace {

std::string Directory() {
    return RuntimeDirectory() + "/services";
}

std::string PathOf(const std::string& name) {
    return Directory() + "/" + name;
}

uint32_t ErrorOfFile(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_GEN_FAILURE;
    }
}

bool IsSingleLine(const std::string& text) {
    return text.find('\n') == std::string::npos;
}

std::string Serialise(const ServiceConfig& config) {
    std::ostringstream text;
    text << "Name=" << config.name << "\nDisplayName=" << config.displayName
         << "\nType=" << config.type << "\nStartType=" << config.startType
         << "\nErrorControl=" << config.errorControl << "\nBinaryPath=" << config.binaryPath
         << "\n";
    return text.str();
}

bool ParseNumber(const std::string& text, uint32_t* value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > 0xFFFFFFFFu) return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

bool ParseField(const std::string& key, const std::string& value, ServiceConfig* config) {
    if (key == "Name") return config->name = value, true;
    if (key == "DisplayName") return config->displayName = value, true;
    if (key == "BinaryPath") return config->binaryPath = value, true;
    if (key == "Type") return ParseNumber(value, &config->type);
    if (key == "StartType") return ParseNumber(value, &config->startType);
    if (key == "ErrorControl") return ParseNumber(value, &config->errorControl);
    return false;
}

void ReportMalformed(const std::string& path, int line, const std::string& text) {
    std::fprintf(stderr, "Malformed service record %s: line %d: \"%s\"\n", path.c_str(), line,
                 text.c_str());
}

// Records are a few hundred bytes; anything much longer is not one.
constexpr size_t kMaxRecordBytes = 65536;

bool ReadRecordText(int fd, std::string* text) {
    char chunk[4096];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        text->append(chunk, static_cast<size_t>(got));
        if (text->size() > kMaxRecordBytes) {
            errno = EFBIG;
            return false;
        }
    }
}

uint32_t Refuse(const std::string& what, const std::string& path, const std::string& problem) {
    NoteRefusal(RefusalMessage(what, path, problem));
    return ERROR_ACCESS_DENIED;
}

bool WriteWhole(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return fsync(fd) == 0;
}

}  // namespace

uint32_t OpenDatabase() {
    std::string problem = RuntimeDirectoryProblem();
    if (!problem.empty()) {
        NoteRefusal(problem);
        return ERROR_ACCESS_DENIED;
    }
    if (!CreateDirectories(Directory(), 0700)) return ErrorOfFile(errno);
    problem = trusted_path::DirectoryProblem(Directory());
    return problem.empty() ? ERROR_SUCCESS : Refuse("service folder", Directory(), problem);
}

bool IsValidName(const std::string& name) {
    return !name.empty() && name.size() <= 256 && name != "." && name != ".." &&
           name.find('/') == std::string::npos && IsSingleLine(name) &&
           name.find('\0') == std::string::npos;
}

// The record is written whole to a temporary file and then linked into
// place, so a reader never sees half a record and two creators cannot both
// succeed.
uint32_t Create(const ServiceConfig& config) {
    if (!IsValidName(config.name)) return ERROR_INVALID_NAME;
    if (!IsSingleLine(config.displayName) || !IsSingleLine(config.binaryPath)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!CreateDirectories(Directory(), 0700)) return ErrorOfFile(errno);
    std::string temporary = Directory() + "/." + config.name + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return ErrorOfFile(errno);
    bool written = WriteWhole(fd, Serialise(config));
    int writeError = errno;
    close(fd);
    uint32_t result = ERROR_SUCCESS;
    if (!written) {
        result = ErrorOfFile(writeError);
    } else if (link(temporary.c_str(), PathOf(config.name).c_str()) != 0) {
        result = errno == EEXIST ? ERROR_SERVICE_EXISTS : ErrorOfFile(errno);
    }
    unlink(temporary.c_str());
    return result;
}

uint32_t Read(const std::string& name, ServiceConfig* config) {
    if (!IsValidName(name)) return ERROR_INVALID_NAME;
    std::string path = PathOf(name);
    std::string problem;
    int fd = trusted_path::OpenFile(path, O_RDONLY, &problem);
    // A record someone else could have written names a program we would run.
    if (fd < 0 && !problem.empty()) return Refuse("service record", path, problem);
    if (fd < 0) return errno == ENOENT ? ERROR_SERVICE_DOES_NOT_EXIST : ErrorOfFile(errno);
    std::string text;
    bool read = ReadRecordText(fd, &text);
    int readError = errno;
    close(fd);
    if (!read) return readError == EFBIG ? ERROR_GEN_FAILURE : ErrorOfFile(readError);
    ServiceConfig parsed;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        size_t equals = line.find('=');
        if (equals == std::string::npos ||
            !ParseField(line.substr(0, equals), line.substr(equals + 1), &parsed)) {
            ReportMalformed(path, number, line);
            return ERROR_GEN_FAILURE;
        }
    }
    if (parsed.name != name) {
        ReportMalformed(path, 1, "Name=" + parsed.name);
        return ERROR_GEN_FAILURE;
    }
    *config = parsed;
    return ERROR_SUCCESS;
}

uint32_t Remove(const std::string& name) {
    if (!IsValidName(name)) return ERROR_INVALID_NAME;
    if (unlink(PathOf(name).c_str()) == 0) return ERROR_SUCCESS;
    return errno == ENOENT ? ERROR_SERVICE_DOES_NOT_EXIST : ErrorOfFile(errno);
}

}  // namespace service_records
