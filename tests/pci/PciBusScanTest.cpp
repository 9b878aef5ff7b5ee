// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "hw/DriverChannel.h"
#include "pci/PciBusScan.h"
#include "pcidef/ConfigMechanism.h"
#include "platform/Seam.h"
#include "protocol/DriverRequest.h"
#include "sim/SimMachine.h"
#include "support/ChosenRequestRoute.h"
#include "support/FakeSystemServices.h"
#include "support/InProcessDriver.h"
#include "support/MachineJson.h"
#include "support/SimPortIo.h"

namespace {

constexpr uint32_t kCapList = 1u << 20;  // status bit 4
constexpr uint32_t kMultiFunction = 0x00800000;

uint32_t Cap(uint32_t id, uint32_t next) {
    return next << 8 | id;
}

// The 9x route: configuration space through the ports of a simulated machine.
class ProbingScan {
  public:
    explicit ProbingScan(const std::string& json) : sim_(SimPortIo::FromMachineJson(json)) {
        system_.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
        route_.emplace();
    }
    int32_t Run() { return EnumeratePciFunctions(table); }
    // Whether the address was put on port 0xCF8.
    bool Probed(uint32_t address) const {
        const std::pair<uint16_t, uint32_t> access{config_mechanism::kAddressPort, address};
        return std::find(sim_->accesses.begin(), sim_->accesses.end(), access) !=
               sim_->accesses.end();
    }
    PciDeviceTable table;

  private:
    FakeSystemServices system_;
    ScopedOverride<SystemServices> systemOverride_{system_};
    std::unique_ptr<SimPortIo> sim_;
    ScopedOverride<PortIo> portsOverride_{*sim_};
    std::optional<ChosenRequestRoute> route_;
};

}  // namespace

TEST(PciBusScan, ListPathKeepsTheDriversOrderAndReadsEachFunction) {
    auto driver = InProcessDriver::FromMachineJson(MachineJson({
        {"02:00.0", {{0x00, 0x15338086}, {0x08, 0x02000003}}},
        {"00:00.0", {{0x00, 0x3E308086}, {0x08, 0x06000000}}},
        {"00:1f.3", {{0x00, 0xA3488086}, {0x08, 0x04030010}}},
    }));
    ASSERT_TRUE(driver);
    ScopedOverride<DeviceIo> device(*driver);
    PciDeviceTable table;
    ASSERT_EQ(EnumeratePciFunctions(table), 3);
    auto row = [&](int i) {
        const PciDeviceEntry& e = table.rows[i];
        return std::vector<int32_t>{e.bus,      e.device,    e.function, e.deviceId,
                                    e.vendorId, e.classCode, e.kind};
    };
    EXPECT_EQ(row(0), (std::vector<int32_t>{2, 0, 0, 0x1533, 0x8086, 0x020000, 1}));
    EXPECT_EQ(row(1), (std::vector<int32_t>{0, 0, 0, 0x3E30, 0x8086, 0x060000, 1}));
    EXPECT_EQ(row(2), (std::vector<int32_t>{0, 0x1F, 3, 0xA348, 0x8086, 0x040300, 1}));
    // The list, then every function's header in one request.
    EXPECT_EQ(driver->Codes(),
              (std::vector<uint32_t>{IOCTL_LIST_PCI_SEGMENT_FUNCTIONS, IOCTL_READ_PCI_CONFIG_BLOCKS}));
    EXPECT_EQ(driver->BlockReads(),
              (std::vector<uint32_t>{config_mechanism::AddressOf({2, 0, 0}),
                                     config_mechanism::AddressOf({0, 0, 0}),
                                     config_mechanism::AddressOf({0, 0x1F, 3})}));
    EXPECT_TRUE(driver->ConfigReads().empty());
}

TEST(PciBusScan, KindFollowsTheCapabilityChain) {
    auto driver = InProcessDriver::FromMachineJson(MachineJson({
        // Pointer present but no capability list announced.
        {"00:01.0", {{0x04, 0}, {0x34, 0x40}, {0x40, Cap(0x10, 0)}}},
        {"00:02.0",
         {{0x04, kCapList},
          {0x34, 0x40},
          {0x40, Cap(0x01, 0x50)},
          {0x50, Cap(0x05, 0x60)},
          {0x60, Cap(0x10, 0)}}},
        {"00:03.0",
         {{0x04, kCapList},
          {0x34, 0x40},
          {0x40, Cap(0x01, 0x50)},
          {0x50, Cap(0x05, 0)},
          {0x60, Cap(0x10, 0)}}},
        {"00:04.0", {{0x04, kCapList}, {0x34, 0}}},
        {"00:05.0",
         {{0x04, kCapList}, {0x34, 0x40}, {0x40, Cap(0x01, 0x50)}, {0x50, Cap(0x05, 0x40)}}},
    }));
    ASSERT_TRUE(driver);
    ScopedOverride<DeviceIo> device(*driver);
    EXPECT_EQ(GetPciFunctionKind(config_mechanism::AddressOf({0, 1, 0})), PCI_KIND_PCI);
    EXPECT_EQ(GetPciFunctionKind(config_mechanism::AddressOf({0, 3, 0})), PCI_KIND_PCI);
    EXPECT_EQ(GetPciFunctionKind(config_mechanism::AddressOf({0, 4, 0})), PCI_KIND_PCI);
    EXPECT_EQ(GetPciFunctionKind(config_mechanism::AddressOf({0, 9, 0})),
              PCI_KIND_PCI);  // absent

    size_t before = driver->ConfigReads().size();
    uint32_t f = config_mechanism::AddressOf({0, 2, 0});
    EXPECT_EQ(GetPciFunctionKind(f), PCI_KIND_PCIE);
    std::vector<uint32_t> reads(driver->ConfigReads().begin() + before,
                                driver->ConfigReads().end());
    EXPECT_EQ(reads, (std::vector<uint32_t>{f | 0x04, f | 0x34, f | 0x40, f | 0x50, f | 0x60}));

    before = driver->ConfigReads().size();
    EXPECT_EQ(GetPciFunctionKind(config_mechanism::AddressOf({0, 5, 0})), PCI_KIND_PCI);
    EXPECT_EQ(driver->ConfigReads().size() - before, 2u + 48u);

    PciDeviceTable table;
    ASSERT_EQ(EnumeratePciFunctions(table), 5);
    EXPECT_EQ(table.rows[1].kind, PCI_KIND_PCIE);
    EXPECT_EQ(table.rows[4].kind, PCI_KIND_PCI);
}

TEST(PciBusScan, MissingDriverLeavesTheTableAlone) {
    auto driver = InProcessDriver::FromMachineJson(MachineJson({{"00:00.0", {{0, 0x12348086}}}}));
    ASSERT_TRUE(driver);
    driver->SetPresent(false);
    ScopedOverride<DeviceIo> device(*driver);
    PciDeviceTable table;
    table.Assign({{1, 2, 3, 4, 5, 6, 7}}, {});
    EXPECT_EQ(EnumeratePciFunctions(table), 0);
    EXPECT_EQ(table.rows[0].vendorId, 5);
    EXPECT_EQ(table.rows[0].kind, 7);
}

// A server's thousands of functions, over two segments: every one listed
// with its segment, in the driver's order; the list request of the record
// still gives segment 0's first 256.
TEST(PciBusScan, ListPathTakesEveryFunctionOfEverySegment) {
    std::vector<MachineFunction> functions;
    char bdf[32];
    for (int i = 0; i < 3000; ++i) {
        const int segment = i < 2000 ? 0 : 2;
        std::snprintf(bdf, sizeof bdf, "%04x:%02x:%02x.%x", segment, (i >> 8) & 0xFF,
                      (i >> 3) & 0x1F, i & 7);
        functions.push_back({bdf, {{0x00, 0x10008086u + (static_cast<uint32_t>(i) << 16)}}});
    }
    auto driver = InProcessDriver::FromMachineJson(MachineJson(functions));
    ASSERT_TRUE(driver);
    ScopedOverride<DeviceIo> device(*driver);
    PciDeviceTable table;
    ASSERT_EQ(EnumeratePciFunctions(table), 3000);
    table.count = 3000;
    EXPECT_EQ(table.Address(1999), (FunctionAddress{7, 0x19, 7, 0}));
    EXPECT_EQ(table.Address(2000), (FunctionAddress{7, 0x1A, 0, 2}));
    EXPECT_EQ(table.rows[2999].deviceId, (0x1000 + 2999) & 0xFFFF);
    EXPECT_TRUE(table.ShowsSegments());
    // Asked once with room for 1024 functions, then with room for all.
    EXPECT_EQ(std::count(driver->Codes().begin(), driver->Codes().end(),
                         IOCTL_LIST_PCI_SEGMENT_FUNCTIONS),
              2);

    PciFunctionList list;
    ASSERT_EQ(ListPciFunctions(&list), 1);
    EXPECT_EQ(list.count, 256u);
}

TEST(PciBusScan, ProbingPathFindsFunctionsInAscendingOrder) {
    ProbingScan scan(MachineJson({
        {"03:00.0", {{0x00, 0x12421B21}, {0x08, 0x0C033000}}},
        {"00:1f.4", {{0x00, 0xA3238086}, {0x08, 0x0C050010}}},
        {"00:1f.0", {{0x00, 0xA3058086}, {0x0C, kMultiFunction}}},
        {"00:00.0", {{0x00, 0x3E308086}}},
        {"00:00.1", {{0x00, 0x11118086}}},  // hidden: function 0 is single-function
        {"00:05.3", {{0x00, 0x22228086}}},  // function 0 absent
        {"00:05.5", {{0x00, 0x33338086}}},
        {"00:06.0", {{0x00, 0x44448086}, {0x04, kCapList}, {0x34, 0x40}, {0x40, Cap(0x10, 0)}}},
    }));
    ASSERT_EQ(scan.Run(), 7);
    std::vector<std::string> found;
    for (int i = 0; i < 7; ++i) {
        const PciDeviceEntry& e = scan.table.rows[i];
        char text[32];
        std::snprintf(text, sizeof text, "%02x:%02x.%x %04X k%d", e.bus, e.device, e.function,
                      e.deviceId, e.kind);
        found.push_back(text);
    }
    EXPECT_EQ(found, (std::vector<std::string>{
                         "00:00.0 3E30 k1", "00:05.3 2222 k1", "00:05.5 3333 k1", "00:06.0 4444 k2",
                         "00:1f.0 A305 k1", "00:1f.4 A323 k1", "03:00.0 1242 k1"}));
    EXPECT_EQ(scan.table.rows[6].classCode, 0x0C0330);
    // A single-function device: its other function numbers are never read.
    for (uint8_t function = 1; function < 8; ++function)
        EXPECT_FALSE(scan.Probed(config_mechanism::AddressOf({0, 0, function}, 0x0C)));
    EXPECT_TRUE(scan.Probed(config_mechanism::AddressOf({0, 5, 7}, 0x0C)));
}

TEST(PciBusScan, ProbingPathStopsAtTheTablesEnd) {
    std::vector<MachineFunction> functions;
    char bdf[16];
    for (int bus = 0; bus < 5; ++bus)
        for (int device = 0; device < 32; ++device)
            for (int function = 0; function < 8; ++function) {
                std::snprintf(bdf, sizeof bdf, "%02x:%02x.%x", bus, device, function);
                functions.push_back({bdf, {{0x00, 0x00018086}, {0x0C, kMultiFunction}}});
            }
    ProbingScan scan(MachineJson(functions));
    ASSERT_EQ(scan.Run(), PciDeviceTable::kCapacity);
    const PciDeviceEntry& last = scan.table.rows[PciDeviceTable::kCapacity - 1];
    EXPECT_EQ(last.bus, 3);
    EXPECT_EQ(last.device, 31);
    EXPECT_EQ(last.function, 7);
}
