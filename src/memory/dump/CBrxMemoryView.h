// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "forms/CFormView.h"
#include "memory/dump/MemoryDumpHexWindow.h"
#include "memory/dump/MemoryDumpModel.h"
#include "memory/dump/QtWorkProgress.h"
#include "memory/hexedit/CHexEditWnd.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The memory-dump window: a form laid out at dialog units around the hex
// window, forwarding its buttons to a MemoryDumpModel.
class CBrxMemoryView : public CFormView {
    Q_OBJECT
  public:
    // The document title names the view's temporary files.
    CBrxMemoryView(const std::string& documentTitle, QWidget* parent = nullptr);
    ~CBrxMemoryView() override;

    // Disables the hex window, fits the parent frame to the form and checks
    // ASCII Mode; runs once, at the latest when the view is first shown.
    void OnInitialUpdate();

    void OnDump();
    void OnWrite();
    void OnClear();
    // Copy and Cut go to the hex window while it has the focus, with its
    // rule (a selection); otherwise to the focused field, as in every form.
    Q_INVOKABLE void OnEditCopy();
    Q_INVOKABLE void OnEditCut();
    Q_INVOKABLE bool OnUpdateEditCopy() const;
    Q_INVOKABLE bool OnUpdateEditCut() const;
    void OnSearch();
    // Fills the two fields with "%08X" and dumps.
    void DumpAt(uint32_t address, uint32_t size);
    // The dump as currently edited, into an open binary file.
    SaveResult SaveToFile(std::FILE* file);
    // How long Dump, Search and Save run before their progress dialog shows.
    void SetProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

    MemoryDumpModel& Model() { return m_model; }
    CHexEditWnd* HexWindow() { return &m_hexWnd; }
    QLineEdit* AddressField() const { return m_edAddress; }
    QLineEdit* SizeField() const { return m_edSize; }
    QComboBox* SearchBox() const { return m_cbSearch; }
    QPushButton* DumpButton() const { return m_btDump; }
    QPushButton* WriteButton() const { return m_btWrite; }
    QPushButton* ClearButton() const { return m_btClear; }
    QPushButton* SearchButton() const { return m_btSearch; }
    QRadioButton* AsciiModeButton() const { return m_rbAscii; }
    QRadioButton* HexModeButton() const { return m_rbHex; }
    QCheckBox* CaseSensitiveBox() const { return m_chCase; }

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing throws the dump away: unwritten changes are settled first.
    void closeEvent(QCloseEvent* event) override;

  private:
    // The widget as the model's hex window, so every step repaints.
    class HexWindowAdapter : public MemoryDumpHexWindow {
      public:
        explicit HexWindowAdapter(CHexEditWnd& window) : m_window(window) {}
        int AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath) override {
            return m_window.AttachDump(size, baseAddress, basePath);
        }
        uint32_t ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) override {
            return m_window.ReadData(buffer, offset, count);
        }
        uint32_t ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) override {
            return m_window.ReadModifiedMap(buffer, offset, count);
        }
        void ClearModifiedMap() override { m_window.ClearModifiedMap(); }
        bool MarkModified(uint32_t offset) override { return m_window.MarkModified(offset); }
        bool HasModifiedBytes() const override { return m_window.Model().HasModifiedBytes(); }
        bool FindNext(const std::vector<uint8_t>& pattern, bool exact,
                      WorkProgress* progress) override {
            return m_window.FindNext(pattern, exact, progress);
        }

      private:
        CHexEditWnd& m_window;
    };

    void CreateControls();
    void LayOutForm();
    void ConnectControls();
    void ShowDumpState();
    void ShowHistory();
    void ShowFocus();

    // Destroyed after the model, which removes the temporary files first.
    CHexEditWnd m_hexWnd;
    HexWindowAdapter m_hexAdapter{m_hexWnd};
    MemoryDumpModel m_model;
    bool m_bInitialized = false;
    std::chrono::milliseconds m_progressDelay = QtWorkProgress::kDefaultDelay;

    QLineEdit* m_edAddress = nullptr;
    QLineEdit* m_edSize = nullptr;
    QPushButton* m_btDump = nullptr;
    QPushButton* m_btWrite = nullptr;
    QPushButton* m_btClear = nullptr;
    QRadioButton* m_rbAscii = nullptr;
    QRadioButton* m_rbHex = nullptr;
    QComboBox* m_cbSearch = nullptr;
    QPushButton* m_btSearch = nullptr;
    QCheckBox* m_chCase = nullptr;
};
