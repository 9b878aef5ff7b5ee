// SPDX-License-Identifier: MIT
#include "pci/PciWindowModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hw/DriverChannel.h"
#include "hw/SystemFunctions.h"
#include "pci/ConfigSpaceRead.h"
#include "pci/PciBusScan.h"
#include "pci/names/DescriptionFile.h"
#include "pci/names/PciIdFile.h"
#include "pci/names/RegisterDescription.h"
#include "pcidef/ConfigDecoder.h"
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"
#include "pcidef/FieldName.h"
#include "pcidef/FieldWrite.h"
#include "platform/MessageBox.h"

namespace {

constexpr uint32_t kWindowFunctionMask = ~static_cast<uint32_t>(ConfigWindow::kFunctionBytes - 1);
constexpr size_t kHexFieldLimit = 8;
constexpr int kFirstBarRow = 4;
constexpr int kLastBarRow = 9;
constexpr uint32_t kBarIoSpace = 0x1;
constexpr uint32_t kBarTypeMask = 0x6;
constexpr uint32_t kBarType64 = 0x4;
constexpr uint32_t kBarFlagBits = 0xF;

std::string Hex(const char* format, uint32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Within 4 GiB, as the window's 32-bit addresses are.
uint32_t WindowOffset(const PciDeviceEntry& e) {
    return static_cast<uint32_t>(ConfigWindow::OffsetOf(e.Address()));
}

uint32_t MechanismAddress(const PciDeviceEntry& e) {
    return config_mechanism::AddressOf(e.Address());
}

// A field the window wrote itself ("%X", "%03X"); an empty one is 0.
uint32_t ShownHexValue(const std::string& text) {
    const std::optional<HexField> field = ParseHexField(text);
    return field ? field->value : 0;
}

bool IsMemory64Bar(uint32_t value) {
    return (value & kBarIoSpace) == 0 && (value & kBarTypeMask) == kBarType64;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

// The dwords as the configuration space lays them out, least significant
// byte first whatever this processor's order.
std::vector<uint8_t> ConfigBytes(std::span<const uint32_t> dwords) {
    std::vector<uint8_t> bytes;
    bytes.reserve(dwords.size() * 4);
    for (uint32_t dword : dwords)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(dword >> shift));
    return bytes;
}

}  // namespace

std::vector<std::string> PciWindowModel::BaseAddressItems() {
    std::vector<std::string> items;
    for (uint32_t n = 8; n <= 15; ++n) items.push_back(Hex("%X", n << 28));
    items.push_back(kAutoBaseText);
    return items;
}

std::optional<BaseAddressChoice> PciWindowModel::ParseBaseAddressText(const std::string& text) {
    if (text == kAutoBaseText) return BaseAddressChoice{true, 0};
    const std::optional<uint32_t> base = ParseExactHexField(text);
    if (!base) return std::nullopt;
    return BaseAddressChoice{false, *base};
}

std::vector<std::string> PciWindowModel::NumberItems(int count) {
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) items.push_back(Hex("%02X", static_cast<uint32_t>(i)));
    return items;
}

void PciWindowModel::RejectInput(const char* message, PciFormField field) {
    ShowMessage(message);
    form_.focus = field;
}

void PciWindowModel::ShowAddress(uint32_t address, uint32_t functionMask) {
    form_.addressText = Hex("%X", address);
    addressValid_ = true;
    addressFunction_ = address & functionMask;
    addressFunctionMask_ = functionMask;
}

bool PciWindowModel::AddressBelongsToShownFunction(uint32_t address) const {
    return addressValid_ && (address & addressFunctionMask_) == addressFunction_;
}

int32_t PciWindowModel::ReadTableRow(int32_t row) {
    return ReadFunctionConfig(table_.rows[static_cast<size_t>(row)], table_.Segment(row));
}

WindowReads PciWindowModel::ReadTableRows(int32_t first, int32_t count) const {
    const std::optional<BaseAddressChoice> choice = ParseBaseAddressText(form_.baseAddressText);
    if (!choice) return {};
    return ReadRowsAsWindow(table_, first, count, *choice);
}

int32_t PciWindowModel::ShowTableRow(int32_t row, const WindowRead& read) {
    return ShowFunctionRead(table_.rows[static_cast<size_t>(row)], table_.Segment(row), read);
}

int32_t PciWindowModel::ReadFunctionConfig(PciDeviceEntry entry, uint16_t segment) {
    WindowRead read;
    ConfigSpaceRead space;
    if (entry.kind == PCI_KIND_PCI) {
        FunctionAddress function = entry.Address();
        function.segment = segment;
        space = ConfigSpaceRead::FromMechanism(function);
        read.address = MechanismAddress(entry);
    } else if (entry.kind == PCI_KIND_PCIE) {
        const std::optional<BaseAddressChoice> choice = ParseBaseAddressText(form_.baseAddressText);
        if (!choice) {
            accessMode_ = entry.kind;
            addressSegment_ = segment;
            // The address field keeps the previous function's address, which
            // no longer belongs to what is shown.
            addressValid_ = false;
            RejectInput(kBaseAddressErrorMessage, PciFormField::BaseAddress);
            return 0;
        }
        const uint32_t base = choice->automatic ? DetectMmioBase(entry) : choice->base;
        read.address = base + WindowOffset(entry);
        space = ConfigSpaceRead::FromWindow(read.address);
    }
    read.space = space.View();
    return ShowFunctionRead(entry, segment, read);
}

int32_t PciWindowModel::ShowFunctionRead(const PciDeviceEntry& entry, uint16_t segment,
                                         const WindowRead& read) {
    accessMode_ = entry.kind;
    addressSegment_ = segment;
    int32_t result = 0;
    if (entry.kind == PCI_KIND_PCI) {
        ShowAddress(read.address, config_mechanism::kFunctionMask);
        TakeRead(read.space);
        result = pcireg::kConfigSize;
    } else if (entry.kind == PCI_KIND_PCIE) {
        ShowAddress(read.address, kWindowFunctionMask);
        TakeRead(read.space);
        result = kBufferDwords * 4;
    } else {
        addressValid_ = false;
    }
    const std::string name = LookupDeviceName(static_cast<uint32_t>(entry.vendorId),
                                              static_cast<uint32_t>(entry.deviceId));
    form_.registerListTitle = name.empty() ? "Register List" : "Register List (" + name + ")";
    return result;
}

void PciWindowModel::TakeRead(const ConfigSpaceView& space) {
    for (size_t i = 0; i < space.size / 4 && i < buffer_.size(); ++i) {
        readable_[i] = space.read[i];
        // A refused dword keeps what the buffer held.
        if (space.read[i]) std::memcpy(&buffer_[i], space.bytes + 4 * i, 4);
    }
}

uint32_t PciWindowModel::DetectMmioBase(const PciDeviceEntry& entry) const {
    return ::DetectMmioBase(entry.Address(), entry.Identity());
}

void PciWindowModel::FillRegisterList(int32_t byteCount) {
    form_.registerSelection = -1;
    ++form_.registerListGeneration;
    BuildRows(byteCount);
}

void PciWindowModel::BuildRows(int32_t byteCount) {
    DescriptionFile file(kRegisterDescriptionFileName);
    form_.registers.clear();
    const uint32_t identity = buffer_[0];
    const int32_t rows = std::clamp<int32_t>(byteCount / 4, 0, kBufferDwords);
    rowBytes_ = rows * 4;
    const auto count = static_cast<size_t>(rows);
    // Refused dwords decode as not readable, never as what the buffer holds.
    decoded_ = pcidef::Decode(ConfigBytes(std::span(buffer_).first(count)),
                              std::span(readable_).first(count));
    std::optional<RegisterDescriptions> descriptions;
    if (file.IsOpen() && file.Rewind()) descriptions.emplace(file, identity);
    for (int32_t i = 0; i < rows; ++i) {
        PciRegisterRow row;
        row.offset = Hex("%03X", static_cast<uint32_t>(4 * i));
        row.value = Hex("%08X", buffer_[static_cast<size_t>(i)]);
        if (descriptions) row.description = descriptions->Describe(static_cast<uint32_t>(4 * i));
        row.decoded = pcidef::DwordSummary(decoded_, static_cast<uint32_t>(4 * i));
        form_.registers.push_back(std::move(row));
    }
    form_.notes = decoded_.Notes();
    MarkChangedRows();
    ShowFieldPane();
}

void PciWindowModel::ShowFieldPane() {
    const int r = form_.registerSelection;
    form_.fieldLines.clear();
    if (r >= 0 && r < static_cast<int>(form_.registers.size()))
        form_.fieldLines = pcidef::DwordFieldLines(decoded_, static_cast<uint32_t>(4 * r));
}

// The function's own address (with the window's base for a PCI Express
// function) and segment, how it was reached and how much of it was read.
uint64_t PciWindowModel::ShownFunctionKey() const {
    const uint32_t address = addressValid_ ? addressFunction_ : 0;
    return uint64_t{address} | uint64_t{static_cast<uint32_t>(accessMode_) & 3} << 32 |
           uint64_t{static_cast<uint32_t>(rowBytes_ / 4)} << 34 | uint64_t{addressSegment_} << 48;
}

void PciWindowModel::MarkChangedRows() {
    const auto rows = static_cast<size_t>(rowBytes_ / 4);
    watch_.Observe(ShownFunctionKey(), std::span(buffer_).first(rows),
                   std::span(readable_).first(rows));
    for (size_t i = 0; i < form_.registers.size(); ++i)
        form_.registers[i].changed = watch_.IsChanged(i);
}

int32_t PciWindowModel::FillDeviceList() {
    const int32_t filter = GetDeviceFilter();
    form_.deviceListLabel = filter == kDeviceFilterPci          ? "PCI Devices"
                            : filter == kDeviceFilterPciExpress ? "PCI Express Devices"
                                                                : "PCI and PCI Express Devices";
    DeviceListLines list = BuildDeviceListLines(table_, filter);
    form_.deviceList = std::move(list.lines);
    listMap_ = std::move(list.rows);
    form_.deviceList.push_back(kNotListedItem);
    form_.deviceListSelection = 0;
    form_.segments.clear();
    if (table_.ShowsSegments()) {
        form_.segments.assign(table_.segments.begin(), table_.segments.begin() + table_.Rows());
        std::sort(form_.segments.begin(), form_.segments.end());
        form_.segments.erase(std::unique(form_.segments.begin(), form_.segments.end()),
                             form_.segments.end());
    }
    const int32_t listed = static_cast<int32_t>(listMap_.size());
    if (listed > 0) SelectFunctionBoxes(listMap_[0]);
    return listed;
}

void PciWindowModel::SelectFunctionBoxes(int32_t row) {
    const FunctionAddress function = table_.Address(row);
    form_.bus = function.bus;
    form_.device = function.device;
    form_.function = function.function;
    form_.segment = function.segment;
}

void PciWindowModel::OnScanAllDevices() {
    table_.count = EnumeratePciFunctions(table_);
    if (FillDeviceList() < 1) {
        ShowMessage(kNoDeviceFoundMessage);
        return;
    }
    FillRegisterList(ReadTableRow(listMap_[0]));
    scanned_ = 1;
}

void PciWindowModel::OnShowFilter() {
    if (scanned_ == 1) OnScanAllDevices();
}

void PciWindowModel::OnSelchangeDeviceList() {
    int p = form_.deviceListSelection;
    const int items = static_cast<int>(form_.deviceList.size());
    if (p < 0 || p >= items) return;
    if (p == items - 1) {
        // "N/A" stands for an unlisted function: show the one above it, if any.
        if (p == 0) return;
        p -= 1;
        form_.deviceListSelection = p;
    }
    const int32_t row = listMap_[static_cast<size_t>(p)];
    FillRegisterList(ReadTableRow(row));
    SelectFunctionBoxes(row);
}

bool PciWindowModel::FunctionOfBoxes(PciDeviceEntry* entry) const {
    if (form_.bus < 0 || form_.device < 0 || form_.function < 0) return false;
    *entry = IdentifyFunction({static_cast<uint8_t>(form_.bus), static_cast<uint8_t>(form_.device),
                               static_cast<uint8_t>(form_.function), form_.segment});
    return true;
}

void PciWindowModel::ReadSelectedFunction() {
    PciDeviceEntry entry{};
    if (!FunctionOfBoxes(&entry)) return;
    FillRegisterList(ReadFunctionConfig(entry, form_.segment));
    if (form_.deviceList.empty()) return;
    FunctionAddress chosen = entry.Address();
    chosen.segment = form_.segment;
    const auto listed = std::find_if(listMap_.begin(), listMap_.end(),
                                     [&](int32_t row) { return table_.Address(row) == chosen; });
    form_.deviceListSelection = listed != listMap_.end()
                                    ? static_cast<int>(listed - listMap_.begin())
                                    : static_cast<int>(form_.deviceList.size()) - 1;
}

void PciWindowModel::OnRefresh() {
    ReadSelectedFunction();
    form_.registerAddressLabel.clear();
    form_.valueText.clear();
}

std::optional<uint32_t> PciWindowModel::OnRegisterDblClk() {
    const int r = form_.registerSelection;
    if (r < 0) {
        ShowMessage(kNoItemsSelectedMessage);
        return std::nullopt;
    }
    // The six base address registers of a type-0 header; the header type is
    // not examined.
    if (r < kFirstBarRow || r > kLastBarRow) return std::nullopt;
    // A 64-bit register takes the next one as its upper half, which decodes
    // nothing of its own.
    for (int row = kFirstBarRow; row < r; ++row) {
        if (!IsMemory64Bar(buffer_[static_cast<size_t>(row)])) continue;
        if (row + 1 == r) return std::nullopt;
        ++row;
    }
    const uint32_t value = buffer_[static_cast<size_t>(r)];
    if ((value & kBarIoSpace) != 0) return std::nullopt;
    if (IsMemory64Bar(value)) {
        // The last register has no upper half to give.
        if (r == kLastBarRow || buffer_[static_cast<size_t>(r) + 1] != 0) return std::nullopt;
    }
    const uint32_t address = value & ~kBarFlagBits;
    if (address == 0) return std::nullopt;
    return address;
}

void PciWindowModel::OnRegisterItemChanged() {
    ShowFieldPane();
    const int r = form_.registerSelection;
    if (r < 0 || r >= static_cast<int>(form_.registers.size())) return;
    const PciRegisterRow& row = form_.registers[static_cast<size_t>(r)];
    const uint32_t offset = ShownHexValue(row.offset);
    const uint32_t current = ShownHexValue(form_.addressText);
    const uint32_t mask =
        accessMode_ == kAccessMemoryWindow ? kWindowFunctionMask : config_mechanism::kFunctionMask;
    const uint32_t address = (current & mask) + offset;
    form_.addressText = Hex("%X", address);
    form_.registerAddressLabel = Hex("PCI Configuration Space Register:  0x%X", address);
    form_.valueText = row.value.substr(0, kHexFieldLimit);
}

void PciWindowModel::OnWriteRegister() {
    const uint32_t address = ShownHexValue(form_.addressText);
    // Nothing read yet, or a rejected base: the field names no register of
    // the shown function.
    if (form_.addressText.empty() || !AddressBelongsToShownFunction(address)) return;
    const std::optional<uint32_t> typed = ParseExactHexField(form_.valueText);
    if (!typed) {
        RejectInput(kInputDataErrorMessage, PciFormField::Value);
        return;
    }
    WriteShownDword(address, *typed);
    ReadSelectedFunction();
    form_.registerAddressLabel.clear();
    form_.valueText.clear();
}

bool PciWindowModel::ReadShownDword(uint32_t address, uint32_t* value) const {
    if (accessMode_ != kAccessMemoryWindow)
        return ReadPciConfigDword(addressSegment_, address, value) != 0;
    uint8_t bytes[4] = {};
    if (!ReadPhysicalMemory(address, bytes, 4)) return false;
    *value = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
             uint32_t{bytes[3]} << 24;
    return true;
}

void PciWindowModel::WriteShownDword(uint32_t address, uint32_t value) {
    if (accessMode_ == kAccessMemoryWindow) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
        WritePhysicalMemory(address, bytes, 4);
    } else {
        WritePciConfigDword(addressSegment_, address, &value);
    }
}

void PciWindowModel::OnEditField(size_t line, const std::string& text) {
    if (line >= form_.fieldLines.size()) return;
    const std::string name = form_.fieldLines[line].name;
    const std::string assignment = name + "=" + text;
    const pcidef::FieldWrite plan = pcidef::FieldWrite::Plan(decoded_, std::span(&assignment, 1));
    if (!plan.Ok()) {
        ShowMessage(Joined(plan.errors));
        return;
    }
    for (const pcidef::DwordWrite& write : plan.writes) {
        const uint32_t address = addressFunction_ + write.offset;
        if (!AddressBelongsToShownFunction(address)) return;
        uint32_t current = 0;
        if (!ReadShownDword(address, &current)) {
            ShowMessage(name + ": its register could not be read, so nothing was written");
            return;
        }
        WriteShownDword(address, write.Apply(current));
    }
    const int row = form_.registerSelection;
    ReadSelectedFunction();
    // The row stays selected, so the pane shows what the field reads now.
    form_.registerSelection = row;
    OnRegisterItemChanged();
    std::vector<std::string> ignored;
    for (const pcidef::DwordWrite& write : plan.writes)
        for (const pcidef::FieldChange& change : write.changes) {
            const std::optional<uint32_t> now = pcidef::ValueOf(decoded_, change.name);
            // A 1 written to a RW1C field clears it: reading 0 then is success.
            if (change.field->access == pcidef::Access::RW1C || now == change.value) continue;
            ignored.push_back(change.name + Hex(" was written as 0x%X", change.value) +
                              (now ? Hex(" but reads 0x%X", *now) : " but cannot be read"));
        }
    if (!ignored.empty()) ShowMessage(Joined(ignored));
}

void PciWindowModel::OnWatchChanged() {
    if (form_.watching && form_.registers.empty()) {
        StopWatching(kNothingToWatchMessage);
        return;
    }
    if (form_.watching) {
        // What is shown now is what later reads are compared with.
        watch_.Start();
        MarkChangedRows();
        return;
    }
    StopWatching({});
}

void PciWindowModel::StopWatching(const std::string& message) {
    form_.watching = false;
    watch_.Stop();
    MarkChangedRows();
    if (!message.empty()) ShowMessage(message);
}

void PciWindowModel::OnWatchTick() {
    if (!form_.watching || !watch_.Active()) return;
    PciDeviceEntry entry{};
    if (!FunctionOfBoxes(&entry)) {
        StopWatching(kNothingToWatchMessage);
        return;
    }
    const uint64_t shown = ShownFunctionKey();
    const std::string address = form_.addressText;
    const int32_t bytes = ReadFunctionConfig(entry, form_.segment);
    if (bytes == 0) {
        // The base address was refused, and its message said so.
        FillRegisterList(bytes);
        StopWatching({});
        return;
    }
    rowBytes_ = std::min<int32_t>(bytes, kBufferDwords * 4);
    if (ShownFunctionKey() == shown) {
        // The same function: its rows change in place and keep their
        // selection, and the address field keeps the selected register.
        BuildRows(bytes);
        form_.addressText = address;
    } else {
        FillRegisterList(bytes);
    }
    const auto rows = static_cast<size_t>(rowBytes_ / 4);
    if (!RegisterWatch::Gone(std::span(buffer_).first(rows), std::span(readable_).first(rows)))
        return;
    FunctionAddress function = entry.Address();
    function.segment = form_.segment;
    StopWatching("Function " + function.ToString() + " no longer answers: watching stopped.");
}

void PciWindowModel::OnFindNext() {
    const std::optional<uint32_t> typed = ParseExactHexField(form_.searchText);
    if (!typed) {
        RejectInput(kSearchInputErrorMessage, PciFormField::Search);
        return;
    }
    const uint32_t v = *typed;
    const int32_t low = static_cast<int32_t>(v & 0xFFFF);
    const int32_t high = static_cast<int32_t>(v >> 16);
    if (scanned_ == 0) OnScanAllDevices();
    const int32_t end = static_cast<int32_t>(form_.deviceList.size()) - 1;
    if (searchPosition_ + 1 > end) searchPosition_ = -1;
    int32_t i = searchPosition_ + 1;
    for (; i < end; ++i) {
        const PciDeviceEntry& e = table_.rows[listMap_[static_cast<size_t>(i)]];
        if (e.deviceId == low || e.vendorId == low || e.deviceId == high || e.vendorId == high)
            break;
    }
    searchPosition_ = i;
    if (i >= end) {
        ShowMessage(kNoMatchMessage);
        return;
    }
    const int32_t row = listMap_[static_cast<size_t>(i)];
    FillRegisterList(ReadTableRow(row));
    form_.deviceListSelection = i;
    SelectFunctionBoxes(row);
}
