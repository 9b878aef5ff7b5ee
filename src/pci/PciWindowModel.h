// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pci/ConfigSpaceRead.h"
#include "pci/PciDeviceTable.h"
#include "pci/PciFormState.h"
#include "pci/RegisterWatch.h"
#include "pci/WindowReads.h"
#include "pcidef/DecodedFunction.h"

inline constexpr int32_t kAccessConfigMechanism = 1;
inline constexpr int32_t kAccessMemoryWindow = 2;

inline constexpr const char* kNoDeviceFoundMessage = "Error!  No corresponding device found!";
inline constexpr const char* kBaseAddressErrorMessage =
    "Input PCI Express memory mapped base address error!";
inline constexpr const char* kInputDataErrorMessage = "Input Data Error!";
inline constexpr const char* kSearchInputErrorMessage = "Input Device ID or Vendor ID Error!";
inline constexpr const char* kNoMatchMessage = "Unable to find matching PCI or PCI Express device!";
inline constexpr const char* kNoItemsSelectedMessage = "No items were selected!\n";
inline constexpr const char* kNothingToWatchMessage = "Choose a function to watch first.";
inline constexpr const char* kAutoBaseText = "Auto";
inline constexpr const char* kNotListedItem = "N/A";
// The base address box holds at most this many characters.
inline constexpr int kBaseAddressTextLimit = 15;

// The state and operations of one PCI window: device table, configuration
// buffer, access mode, list map, and every command of the window, working on
// a PciFormState.
class PciWindowModel {
  public:
    static constexpr int kBufferDwords = 1024;

    PciFormState& Form() { return form_; }
    const PciFormState& Form() const { return form_; }

    // The base address box's items: 80000000 ... F0000000, then "Auto".
    static std::vector<std::string> BaseAddressItems();
    // "Auto" exactly, or a hexadecimal base whose whole value fits in 32
    // bits (the window's addresses have 32); empty for any other text.
    static std::optional<BaseAddressChoice> ParseBaseAddressText(const std::string& text);
    // "%02X" of 0 .. count-1.
    static std::vector<std::string> NumberItems(int count);

    void OnScanAllDevices();
    // A click on one of the filter buttons; form.filter already says which.
    void OnShowFilter();
    void OnSelchangeDeviceList();
    void ReadSelectedFunction();
    void OnRefresh();
    void OnRegisterItemChanged();
    void OnWriteRegister();
    void OnFindNext();
    // A double-click on the register list: the address a memory base address
    // register of the selected row (rows 4-9, bit 0 clear) decodes, its flag
    // bits 0-3 cleared. Empty for any other row, a zero address, the upper
    // half of a 64-bit register, and a 64-bit address beyond 32 bits, which
    // the memory window cannot reach.
    std::optional<uint32_t> OnRegisterDblClk();
    static constexpr uint32_t kBarDumpSize = 0x400;

    // A new value for line `line` of the field pane, as `set` takes it: the
    // dword is read, only that field's bits change, and the function is read
    // again with the row still selected. Refusals are shown, nothing written.
    void OnEditField(size_t line, const std::string& text);
    // The Watch box was clicked; form.watching says how it stands now.
    void OnWatchChanged();
    // The watch timer: the function of the boxes read again, the rows
    // updated in place and changed dwords marked. A function that is gone
    // is reported once and watching stops.
    void OnWatchTick();

    // A function of segment 0, or of the segment given.
    int32_t ReadFunctionConfig(PciDeviceEntry entry, uint16_t segment = 0);
    // ReadFunctionConfig of a row of the device table, of its segment.
    int32_t ReadTableRow(int32_t row);
    // What ReadTableRow reads of rows first to first+count-1, in few
    // requests, to be shown with ShowTableRow; empty when the base box holds
    // no base (ReadTableRow of each then says so).
    WindowReads ReadTableRows(int32_t first, int32_t count) const;
    // ReadTableRow with the row read already.
    int32_t ShowTableRow(int32_t row, const WindowRead& read);
    // The function chosen in the bus, device and function boxes (of the
    // segment chosen in form.segment), with its kind and identity read;
    // false while a box has no selection.
    bool FunctionOfBoxes(PciDeviceEntry* entry) const;
    uint32_t DetectMmioBase(const PciDeviceEntry& entry) const;
    void FillRegisterList(int32_t byteCount);
    int32_t FillDeviceList();
    int32_t GetDeviceFilter() const { return form_.filter; }

    const PciDeviceTable& DeviceTable() const { return table_; }
    const std::array<uint32_t, kBufferDwords>& ConfigBuffer() const { return buffer_; }
    // Per dword of the buffer: non-zero where the last read of it succeeded.
    const std::array<uint8_t, kBufferDwords>& ReadableDwords() const { return readable_; }
    // The shown function against the description, as the rows show it.
    const pcidef::DecodedFunction& Decoded() const { return decoded_; }
    int32_t AccessMode() const { return accessMode_; }
    bool Scanned() const { return scanned_ == 1; }
    int32_t SearchPosition() const { return searchPosition_; }
    // Table row shown at each device-list position.
    const std::vector<int32_t>& ListMap() const { return listMap_; }

  private:
    void SelectFunctionBoxes(int32_t row);
    void ShowAddress(uint32_t address, uint32_t functionMask);
    // The function as read: its address shown, its dwords in the buffer and
    // its name in the title; the bytes the list shows.
    int32_t ShowFunctionRead(const PciDeviceEntry& entry, uint16_t segment,
                             const WindowRead& read);
    void RejectInput(const char* message, PciFormField field);
    bool AddressBelongsToShownFunction(uint32_t address) const;
    // The dwords read into the buffer (a refused one keeps its value) and
    // which of them were read.
    void TakeRead(const ConfigSpaceView& space);
    void BuildRows(int32_t byteCount);
    void ShowFieldPane();
    void MarkChangedRows();
    uint64_t ShownFunctionKey() const;
    bool ReadShownDword(uint32_t address, uint32_t* value) const;
    void WriteShownDword(uint32_t address, uint32_t value);
    void StopWatching(const std::string& message);

    PciFormState form_;
    PciDeviceTable table_;
    std::array<uint32_t, kBufferDwords> buffer_{};
    std::array<uint8_t, kBufferDwords> readable_{};
    // The bytes the register list shows.
    int32_t rowBytes_ = 0;
    pcidef::DecodedFunction decoded_;
    RegisterWatch watch_;
    std::vector<int32_t> listMap_;
    int32_t scanned_ = 0;
    int32_t accessMode_ = kAccessConfigMechanism;
    int32_t searchPosition_ = -1;
    // The function the address field belongs to, so that a write can never
    // reach another one (none read yet, or its base address was rejected).
    bool addressValid_ = false;
    uint32_t addressFunction_ = 0;
    uint32_t addressFunctionMask_ = 0;
    uint16_t addressSegment_ = 0;
};
