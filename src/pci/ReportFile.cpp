// SPDX-License-Identifier: MIT
#include "pci/ReportFile.h"

#include "platform/MessageBox.h"
#include "platform/trust/RuntimeDirectory.h"

bool CloseReportFile(std::FILE* file) {
    bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0) failed = true;
    if (failed) ShowMessage(kUnableToWriteFileMessage);
    return !failed;
}

std::FILE* OpenReportFile(const std::string& path, output_file::Kind kind, const char* mode) {
    std::string problem;
    std::FILE* file = output_file::OpenStream(path, kind, mode, &problem);
    if (file) return file;
    ShowMessage(std::string(kUnableToOpenFileMessage) +
                (problem.empty() ? "" : "\n" + RefusalMessage("output file", path, problem)));
    return nullptr;
}
