// SPDX-License-Identifier: MIT
#include "app/SaveCommands.h"

#include <cstdio>

#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/DocTemplate.h"
#include "hw/UserFileDirectory.h"
#include "memory/dump/CBrxMemoryView.h"
#include "pci/CBrxPciView.h"
#include "pci/ReportFile.h"
#include "platform/MessageBox.h"
#include "platform/SaveFileDialog.h"

namespace {

QWidget* FirstViewOf(const CBorealixDoc* document) {
    auto* frame = qobject_cast<CChildFrame*>(document->parent());
    return frame ? frame->GetActiveView() : nullptr;
}

}  // namespace

SaveCommands::SaveCommands(const DocTemplate* pciTemplate, const DocTemplate* memoryTemplate,
                           const CMainFrame& frame)
    : m_pciTemplate(pciTemplate), m_memoryTemplate(memoryTemplate), m_frame(frame) {}

std::optional<std::string> SaveCommands::AskSavePath() {
    SaveFileRequest request;
    request.defaultSuffix = "log";
    request.defaultName = kDefaultSaveName;
    request.filter = "Save Files (*.log);;All Files (*)";
    request.initialDirectory = UserFileDirectory();
    request.confirmOverwrite = true;
    return SaveFileDialog::Current().AskSavePath(request);
}

QWidget* SaveCommands::FirstViewMatching(const DocTemplate* docTemplate, const QWidget* view) {
    if (!docTemplate || !view) return nullptr;
    for (const CBorealixDoc* document : docTemplate->Documents())
        if (FirstViewOf(document) == view) return FirstViewOf(document);
    return nullptr;
}

void SaveCommands::WritePciReport(QWidget* view, std::FILE* file) {
    if (auto* pci = qobject_cast<CBrxPciView*>(view)) pci->SaveReport(file);
}

bool SaveCommands::WriteMemoryViewData(QWidget* view, std::FILE* file) {
    auto* memory = qobject_cast<CBrxMemoryView*>(view);
    return !memory || memory->SaveToFile(file) != SaveResult::Cancelled;
}

QWidget* SaveCommands::ActiveView() const {
    CChildFrame* child = m_frame.ActiveChildFrame();
    return child ? child->GetActiveView() : nullptr;
}

void SaveCommands::OnSaveAll() {
    const std::optional<std::string> path = AskSavePath();
    if (!path) return;
    std::FILE* file = OpenReportFile(*path, output_file::Kind::Report, "w");
    if (!file) return;
    if (m_pciTemplate)
        for (const CBorealixDoc* document : m_pciTemplate->Documents())
            WritePciReport(FirstViewOf(document), file);
    CloseReportFile(file);
}

void SaveCommands::OnSaveActive() {
    const std::optional<std::string> path = AskSavePath();
    if (!path) return;
    std::FILE* file = OpenReportFile(*path, output_file::Kind::Report, "w");
    if (!file) return;
    QWidget* active = ActiveView();
    if (QWidget* pci = FirstViewMatching(m_pciTemplate, active)) {
        WritePciReport(pci, file);
    } else if (QWidget* memory = FirstViewMatching(m_memoryTemplate, active)) {
        std::fclose(file);
        file = OpenReportFile(*path, output_file::Kind::MemoryDump, "wb");
        if (!file) return;
        if (!WriteMemoryViewData(memory, file)) {
            // Part of a dump must not pass for all of it.
            std::fclose(file);
            std::remove(path->c_str());
            return;
        }
    }
    CloseReportFile(file);
}
