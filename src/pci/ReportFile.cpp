#include "pci/ReportFile.h"

#include "platform/MessageBox.h"

bool CloseReportFile(std::FILE* file) {
    bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0) failed = true;
    if (failed) ShowMessage(kUnableToWriteFileMessage);
    return !failed;
}
