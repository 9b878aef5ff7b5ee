// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <optional>
#include <string>

class CMainFrame;
class DocTemplate;
class QWidget;

inline constexpr const char* kDefaultSaveName = "hwinfo.log";

// Save All and Save: ask for a file, open it and let the windows write into
// it, the PCI windows their reports, the memory-dump window its data.
class SaveCommands {
  public:
    SaveCommands(const DocTemplate* pciTemplate, const DocTemplate* memoryTemplate,
                 const CMainFrame& frame);

    void OnSaveAll();
    void OnSaveActive();

  private:
    static std::optional<std::string> AskSavePath();
    static QWidget* FirstViewMatching(const DocTemplate* docTemplate, const QWidget* view);
    static void WritePciReport(QWidget* view, std::FILE* file);
    // The memory-dump view's raw data; false when the user cancelled it.
    static bool WriteMemoryViewData(QWidget* view, std::FILE* file);
    QWidget* ActiveView() const;

    const DocTemplate* m_pciTemplate;
    const DocTemplate* m_memoryTemplate;
    const CMainFrame& m_frame;
};
