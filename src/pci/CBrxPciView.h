// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "forms/CFormView.h"
#include "pci/MemoryDumpOpener.h"
#include "pci/PciWindowModel.h"

class CFieldPane;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// The PCI configuration window: a form laid out at dialog units in the
// application font. It forwards every event to its PciWindowModel and
// shows the model's form state. Below the register list, the field pane
// with the Watch box and its interval.
class CBrxPciView : public CFormView {
    Q_OBJECT
  public:
    explicit CBrxPciView(QWidget* parent = nullptr);
    ~CBrxPciView() override;

    // Fills the boxes and columns and fits the parent frame to the form; runs
    // once, at the latest when the view is first shown.
    void OnInitialUpdate();

    PciWindowModel& Model() { return m_model; }

    // Asks which report to write and writes it into the open file, which the
    // caller closes.
    void SaveReport(std::FILE* file);

    // Where a double-click on a memory base address register opens its dump;
    // without one the double-click opens nothing.
    void SetMemoryDumpOpener(MemoryDumpOpener* opener) { m_memoryDumpOpener = opener; }
    void OnRegisterDblClk();

    QComboBox* BaseAddressBox() const { return m_cbBaseAddress; }
    QComboBox* BusBox() const { return m_cbBus; }
    QComboBox* DeviceBox() const { return m_cbDevice; }
    QComboBox* FunctionBox() const { return m_cbFunction; }
    // Shown only while the last scan found more than one segment.
    QComboBox* SegmentBox() const { return m_cbSegment; }
    QComboBox* DeviceList() const { return m_cbDeviceList; }
    QTreeWidget* RegisterList() const { return m_lcRegisters; }
    QLineEdit* AddressField() const { return m_edAddress; }
    QLineEdit* ValueField() const { return m_edValue; }
    QLineEdit* SearchField() const { return m_edSearch; }
    QLabel* RegisterListTitle() const { return m_stRegisterListTitle; }
    QLabel* DeviceListLabel() const { return m_stDeviceListLabel; }
    QLabel* RegisterAddressLabel() const { return m_stRegisterAddress; }
    QPushButton* ScanButton() const { return m_btScan; }
    QPushButton* RefreshButton() const { return m_btRefresh; }
    QPushButton* WriteButton() const { return m_btWrite; }
    QPushButton* FindNextButton() const { return m_btFindNext; }
    QRadioButton* FilterButton(int32_t filter) const;
    CFieldPane* FieldPane() const { return m_fieldPane; }
    QCheckBox* WatchBox() const { return m_chWatch; }
    QSpinBox* WatchInterval() const { return m_sbWatchInterval; }
    QTimer* WatchTimer() const { return m_watchTimer; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateControls();
    void LayOutForm();
    int TextWidth(QWidget* control) const;
    void ConnectControls();
    void OnSize(int cx, int cy);
    void SetDeviceListDropWidth();
    void CreatePaneControls();
    void ConnectPaneControls();

    // Runs one model command between taking the user's input and showing the
    // form state it leaves.
    template <class Command>
    void Run(Command command);
    void TakeInput();
    void ShowForm();
    void ShowSegmentBox();
    void ShowDeviceList();
    void ShowRegisterList();
    void RebuildRegisterList();
    void ShowRegisterRow(QTreeWidgetItem* item, const PciRegisterRow& row);
    void ShowWatch();
    void ShowFocus();

    PciWindowModel m_model;
    bool m_bInitialized = false;
    bool m_bShowing = false;
    // Commands under way: a message box of one runs its own event loop,
    // where the watch timer must not start another.
    int m_running = 0;
    std::vector<std::string> m_shownDeviceList;
    std::vector<uint16_t> m_shownSegments;
    std::vector<PciRegisterRow> m_shownRegisters;
    uint32_t m_shownGeneration = 0;

    QComboBox* m_cbBaseAddress = nullptr;
    QComboBox* m_cbBus = nullptr;
    QComboBox* m_cbDevice = nullptr;
    QComboBox* m_cbFunction = nullptr;
    QLabel* m_stSegment = nullptr;
    QComboBox* m_cbSegment = nullptr;
    QComboBox* m_cbDeviceList = nullptr;
    QTreeWidget* m_lcRegisters = nullptr;
    QLineEdit* m_edAddress = nullptr;
    QLabel* m_stRegisterListTitle = nullptr;
    QLabel* m_stDeviceListLabel = nullptr;
    QLabel* m_stRegisterAddress = nullptr;
    QLineEdit* m_edValue = nullptr;
    QLabel* m_stValueLabel = nullptr;
    QPushButton* m_btScan = nullptr;
    QPushButton* m_btRefresh = nullptr;
    QPushButton* m_btWrite = nullptr;
    QPushButton* m_btFindNext = nullptr;
    QLineEdit* m_edSearch = nullptr;
    QButtonGroup* m_filterGroup = nullptr;
    QLabel* m_stFieldPaneTitle = nullptr;
    QCheckBox* m_chWatch = nullptr;
    QSpinBox* m_sbWatchInterval = nullptr;
    CFieldPane* m_fieldPane = nullptr;
    QTimer* m_watchTimer = nullptr;
    // The pane's place in the form, which resizing keeps at the bottom edge.
    QRect m_paneRect;
    MemoryDumpOpener* m_memoryDumpOpener = nullptr;
};
