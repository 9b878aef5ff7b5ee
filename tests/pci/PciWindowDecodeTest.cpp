// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "driver/DriverBackend.h"
#include "driver/LinuxBackend.h"
#include "pci/PciWindowFixture.h"
#include "support/FakeSysfs.h"
#include "support/MachineJson.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;
const FunctionAddress kExpressAddress{1, 0, 0};
const FunctionAddress kPlainAddress{1, 2, 3};

// A PCI Express endpoint at 01:00.0 (capability at 0x40: 256-byte payloads
// supported, 128 set, a correctable error pending, link 8GT/s x4), and a
// PCI function at 01:02.3 whose capability list points back at itself.
const MachineFunction kExpress{"01:00.0",
                               {{0x00, 0xA808144D},
                                {0x04, kCapList},
                                {0x08, 0x01080200},
                                {0x34, 0x40},
                                {0x40, 0x00020010},
                                {0x44, 0x00000001},
                                {0x48, 0x00012810},
                                {0x4C, 0x00000043},
                                {0x50, 0x00430000}}};
const MachineFunction kLooping{
    "01:02.3", {{0x00, 0x06121B21}, {0x04, kCapList}, {0x34, 0x40}, {0x40, 0x00404005}}};

class PciWindowDecodeTest : public PciWindowFixture {
  protected:
    void SetUp() override { Load(WithWindow(MachineJson({kExpress, kLooping}), "0xE0000000")); }

    void Choose(const FunctionAddress& function) {
        form().bus = function.bus;
        form().device = function.device;
        form().function = function.function;
        model.ReadSelectedFunction();
    }
    void SelectRow(uint32_t offset) {
        form().registerSelection = static_cast<int>(offset / 4);
        model.OnRegisterItemChanged();
    }
    size_t Line(const std::string& name) const {
        const auto& lines = model.Form().fieldLines;
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [&](const pcidef::FieldLine& l) { return l.name == name; });
        EXPECT_NE(it, lines.end()) << name;
        return static_cast<size_t>(it - lines.begin());
    }
    uint32_t Dword(const FunctionAddress& function, uint32_t offset) {
        uint32_t value = 0;
        driver_->Backend().ReadConfigDword(function, offset, &value);
        return value;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages) texts.push_back(m.text);
        messages_.messages.clear();
        return texts;
    }
    void Watch(bool on) {
        form().watching = on;
        model.OnWatchChanged();
    }
    PciFormState& form() { return model.Form(); }
};

}  // namespace

TEST_F(PciWindowDecodeTest, RowsSayWhatTheirDwordHoldsAndThePaneListsItsFields) {
    struct Row {
        uint32_t offset;
        std::string decoded;
        std::string field;  // one of the pane's lines for the row, formatted
    };
    const Row rows[] = {
        {0x00, "Header \u203A Vendor ID: 0x144D; Device ID: 0xA808",
         "DeviceID  [15:0]  RO  0xA808  0xA808"},
        {0x48,
         "PCI Express \u203A Device Control: MaxPayload=128 bytes MaxReadReq=512 bytes; "
         "Device Status: CorrErr",
         "PCIe.DevSta.CorrErr  [0]  RW1C  0x1  yes"},
        {0x50, "PCI Express \u203A Link Control: ASPM off; Link Status: 8GT/s x4",
         "PCIe.LnkSta.Width  [9:4]  RO  0x4  x4"},
        {0x80, "", ""},
    };
    Choose(kExpressAddress);
    ASSERT_EQ(form().registers.size(), 1024u);
    EXPECT_TRUE(form().notes.empty());
    for (const Row& row : rows) {
        EXPECT_EQ(form().registers[row.offset / 4].decoded, row.decoded) << row.offset;
        SelectRow(row.offset);
        std::vector<std::string> lines;
        for (const pcidef::FieldLine& line : form().fieldLines)
            lines.push_back(pcidef::FormatFieldLine(line));
        if (row.field.empty()) {
            EXPECT_TRUE(lines.empty()) << row.offset;
        } else {
            EXPECT_NE(std::find(lines.begin(), lines.end(), row.field), lines.end())
                << row.offset << ": " << testing::PrintToString(lines);
        }
    }
    // A new read drops the selection and with it the fields.
    model.OnRefresh();
    EXPECT_TRUE(form().fieldLines.empty());

    // A broken chain says so in the pane.
    Choose(kPlainAddress);
    ASSERT_EQ(form().notes.size(), 1u);
    EXPECT_NE(form().notes[0].find("leads back to a capability already listed"), std::string::npos);
}

TEST_F(PciWindowDecodeTest, RefusedDwordsDecodeAsNotReadableNeverAsZeros) {
    // What the kernel gives a user who is not root: the first 64 bytes.
    FakeSysfs sysfs;
    std::vector<uint8_t> config(64, 0);
    config[0x00] = 0x86;
    config[0x01] = 0x80;
    config[0x06] = 0x10;  // a capability list
    config[0x34] = 0x50;
    sysfs.AddFunction("0000:00:03.0", config);
    device_.reset();
    driver_ = std::make_unique<InProcessDriver>(std::make_unique<LinuxBackend>(sysfs.Paths()));
    device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);

    Choose({0, 3, 0});
    ASSERT_EQ(form().registers.size(), 64u);
    EXPECT_EQ(model.ReadableDwords()[0x3C / 4], 1);
    EXPECT_EQ(model.ReadableDwords()[0x40 / 4], 0);
    ASSERT_EQ(form().notes.size(), 1u);
    EXPECT_NE(form().notes[0].find("could not be read"), std::string::npos) << form().notes[0];
    device_.reset();
    driver_.reset();
}

TEST_F(PciWindowDecodeTest, EditingAFieldWritesOnlyItsBitsOrSaysWhyNot) {
    struct Edit {
        std::string field;
        std::string text;
        std::vector<std::string> messages;
        uint32_t dword;  // 0x48 afterwards
    };
    // DevSta.CorrErr (bit 16) is pending: it is written as 0 unless named.
    const Edit edits[] = {
        {"PCIe.DevCtl.MaxPayload", "256", {}, 0x00002830},
        {"PCIe.DevCtl.MaxPayload", "0x9", {"PCIe.DevCtl.MaxPayload: "}, 0x00012810},
        {"PCIe.DevCtl.MaxPayload", "100 bytes", {"PCIe.DevCtl.MaxPayload: "}, 0x00012810},
        {"PCIe.DevSta.CorrErr", "1", {}, 0x00012810},
        {"PCIe.DevSta.TransPending", "1", {"PCIe.DevSta.TransPending is read-only"}, 0x00012810},
    };
    for (const Edit& edit : edits) {
        driver_->Backend().WriteConfigDword(kExpressAddress, 0x48, 0x00012810);
        Choose(kExpressAddress);
        SelectRow(0x48);
        model.OnEditField(Line(edit.field), edit.text);
        const std::vector<std::string> texts = Texts();
        ASSERT_EQ(texts.size(), edit.messages.size()) << edit.field << "=" << edit.text;
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(texts[i].rfind(edit.messages[i], 0), 0u) << texts[i];
        EXPECT_EQ(Dword(kExpressAddress, 0x48), edit.dword) << edit.field << "=" << edit.text;
        // The row stays selected and the pane shows what the field reads now.
        EXPECT_EQ(form().registerSelection, 0x48 / 4);
        EXPECT_EQ(form().addressText, "E0100048");
    }
    SelectRow(0x48);
    model.OnEditField(Line("PCIe.DevCtl.MaxPayload"), "512 bytes");
    EXPECT_EQ(form().fieldLines[Line("PCIe.DevCtl.MaxPayload")].text, "512 bytes");
    EXPECT_EQ(form().registers[0x48 / 4].value, "00002850");

    // A PCI function goes through the configuration mechanism.
    Choose(kPlainAddress);
    SelectRow(0x04);
    model.OnEditField(Line("Command.BusMaster"), "1");
    EXPECT_EQ(Dword(kPlainAddress, 0x04) & 0xFFFF, 0x0004u);
    EXPECT_TRUE(Texts().empty());
}

TEST_F(PciWindowDecodeTest, WatchingMarksChangedDwordsAndStopsOnceTheFunctionIsGone) {
    Watch(true);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Choose a function to watch first."});
    EXPECT_FALSE(form().watching);

    Choose(kPlainAddress);
    Watch(true);
    SelectRow(0x10);
    const uint32_t generation = form().registerListGeneration;
    auto changedRows = [&] {
        std::vector<uint32_t> rows;
        for (size_t i = 0; i < form().registers.size(); ++i)
            if (form().registers[i].changed) rows.push_back(static_cast<uint32_t>(i * 4));
        return rows;
    };
    struct Step {
        uint32_t offset, value;
        std::vector<uint32_t> changed;
    };
    const Step steps[] = {
        {0x10, 0xF7000000, {0x10}},
        {0x3C, 0x0000010B, {0x10, 0x3C}},
        {0x10, 0x00000000, {0x3C}},
    };
    for (const Step& step : steps) {
        driver_->Backend().WriteConfigDword(kPlainAddress, step.offset, step.value);
        model.OnWatchTick();
        EXPECT_EQ(changedRows(), step.changed) << step.offset;
    }
    // The rows changed in place: selection, address and fields stay.
    EXPECT_EQ(form().registerListGeneration, generation);
    EXPECT_EQ(form().registerSelection, 0x10 / 4);
    EXPECT_EQ(form().addressText, "80011310");
    EXPECT_FALSE(form().fieldLines.empty());

    // Another function starts afresh.
    Choose(kExpressAddress);
    EXPECT_TRUE(changedRows().empty());
    model.OnWatchTick();
    EXPECT_TRUE(form().watching);

    // Through a window where nothing answers, the function reads all ones.
    form().baseAddressText = "D0000000";
    model.OnWatchTick();
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Function 01:00.0 no longer answers: watching stopped."});
    EXPECT_FALSE(form().watching);
    EXPECT_TRUE(changedRows().empty());
    model.OnWatchTick();
    EXPECT_TRUE(Texts().empty());

    // A driver that is gone: every read fails.
    form().baseAddressText = "Auto";
    Choose(kPlainAddress);
    Watch(true);
    driver_->SetPresent(false);
    model.OnWatchTick();
    model.OnWatchTick();
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Function 01:02.3 no longer answers: watching stopped."});
}
