// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "driver/LinuxBackend.h"
#include "driver/SimBackend.h"
#include "hw/DriverChannel.h"
#include "platform/Seam.h"
#include "protocol/ErrorCodes.h"
#include "sim/MachineFileLoader.h"
#include "support/FakeSysfs.h"
#include "support/InProcessDriver.h"
#include "support/PciPeer.h"

// One suite for every route a request can take. Each route says whether it
// may be written and where its configuration window starts, if it has one.
namespace {

std::unique_ptr<SimMachine> Builtin() {
    MachineLoad load = MachineFileLoader::Load("builtin");
    EXPECT_TRUE(load.Ok()) << load.error;
    return std::move(load.machine);
}

struct SimRoute {
    static constexpr bool kWritable = true;
    std::unique_ptr<SimBackend> backend = std::make_unique<SimBackend>(Builtin());
    DriverBackend* Backend() { return backend.get(); }
    // The builtin's second segment has its window at D0000000.
    std::optional<uint32_t> Window(uint16_t segment) {
        return segment == 0 ? 0xE0000000u : 0xD0000000u;
    }
};

// This machine's hardware, read only.
struct LinuxRoute {
    static constexpr bool kWritable = false;
    LinuxBackend backend;
    DriverBackend* Backend() { return HasPciFunctions() ? &backend : nullptr; }
    std::optional<uint32_t> Window(uint16_t segment) {
        for (const ConfigWindow& window : backend.Windows()) {
            if (window.segment == segment && window.startBus == 0 && window.base < 0x100000000u)
                return static_cast<uint32_t>(window.base);
        }
        return std::nullopt;
    }
};

std::vector<uint8_t> ConfigBytes(uint32_t id, size_t size) {
    std::vector<uint8_t> config(size, 0);
    std::memcpy(config.data(), &id, 4);
    config[0x0B] = 0x02;
    return config;
}

struct FakeSysfsRoute {
    static constexpr bool kWritable = true;
    FakeSysfs sysfs;
    std::unique_ptr<LinuxBackend> backend;
    FakeSysfsRoute() {
        sysfs.AddFunction("0000:02:00.0", ConfigBytes(0x15338086, 4096));
        sysfs.AddFunction("0000:00:00.0", ConfigBytes(0x3E308086, 256));
        sysfs.SetMemory(std::vector<uint8_t>(0x10000, 0x00));
        sysfs.SetMcfg({{0xE0000000, 0, 0, 0xFF}});
        backend = std::make_unique<LinuxBackend>(sysfs.Paths());
    }
    DriverBackend* Backend() { return backend.get(); }
    std::optional<uint32_t> Window(uint16_t) { return 0xE0000000u; }
};

// The request operations on the in-process driver, seen as a backend.
class ChannelBackend : public DriverBackend {
  public:
    uint32_t ListFunctions(std::vector<FunctionAddress>* functions) override {
        PciFunctionList list;
        if (!::ListPciFunctions(&list)) return ERROR_GEN_FAILURE;
        functions->clear();
        for (uint32_t i = 0; i < list.count; ++i) {
            functions->push_back({list.busNumbers[i], static_cast<uint8_t>(list.devFns[i] >> 3),
                                  static_cast<uint8_t>(list.devFns[i] & 7)});
        }
        return ERROR_SUCCESS;
    }
    static uint32_t Address(FunctionAddress f, uint32_t offset) {
        return 0x80000000u | f.bus << 16 | f.device << 11 | f.function << 8 | offset;
    }
    uint32_t ReadConfigDword(FunctionAddress f, uint32_t offset, uint32_t* value) override {
        return ReadPciConfigDword(Address(f, offset), value) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }
    uint32_t WriteConfigDword(FunctionAddress f, uint32_t offset, uint32_t value) override {
        return WritePciConfigDword(Address(f, offset), &value) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }
    uint32_t ReadPhysical(uint32_t address, uint8_t* buffer, uint32_t length) override {
        return ReadPhysicalMemory(address, buffer, length) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }
    uint32_t WritePhysical(uint32_t address, const uint8_t* buffer, uint32_t length) override {
        return WritePhysicalMemory(address, buffer, length) ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
    }
};

struct InProcessRoute {
    static constexpr bool kWritable = true;
    std::unique_ptr<InProcessDriver> driver = InProcessDriver::FromMachineFile("builtin");
    ScopedOverride<DeviceIo> device{*driver};
    ChannelBackend backend;
    DriverBackend* Backend() { return &backend; }
    std::optional<uint32_t> Window(uint16_t) { return 0xE0000000u; }
};

template <class Route>
class BackendConformance : public testing::Test {
  protected:
    void SetUp() override {
        backend_ = route_.Backend();
        if (!backend_) GTEST_SKIP() << "no PCI functions on this machine";
        ASSERT_EQ(backend_->ListFunctions(&functions_), ERROR_SUCCESS);
        ASSERT_FALSE(functions_.empty());
    }

    Route route_;
    DriverBackend* backend_ = nullptr;
    std::vector<FunctionAddress> functions_;
};

using Routes = testing::Types<SimRoute, LinuxRoute, FakeSysfsRoute, InProcessRoute>;
TYPED_TEST_SUITE(BackendConformance, Routes);

TYPED_TEST(BackendConformance, ListedFunctionsAreUniqueAndPresent) {
    std::set<uint32_t> seen;
    for (FunctionAddress function : this->functions_) {
        EXPECT_TRUE(seen.insert(function.Key()).second) << function.ToString();
        uint32_t id = 0;
        ASSERT_EQ(this->backend_->ReadConfigDword(function, 0, &id), ERROR_SUCCESS);
        EXPECT_NE(id & 0xFFFF, 0xFFFFu) << function.ToString();
        uint32_t again = 0;
        ASSERT_EQ(this->backend_->ReadConfigDword(function, 0, &again), ERROR_SUCCESS);
        EXPECT_EQ(again, id);
    }
}

TYPED_TEST(BackendConformance, AbsentFunctionsReadAllOnes) {
    FunctionAddress absent{0xFF, 0x1F, 7};
    ASSERT_EQ(std::count(this->functions_.begin(), this->functions_.end(), absent), 0);
    uint32_t value = 0;
    ASSERT_EQ(this->backend_->ReadConfigDword(absent, 0, &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0xFFFFFFFFu);
}

TYPED_TEST(BackendConformance, WindowShowsTheSameConfigSpace) {
    for (FunctionAddress f : this->functions_) {
        auto window = this->route_.Window(f.segment);
        if (!window) continue;
        uint32_t viaConfig = 0, viaWindow = 0;
        ASSERT_EQ(this->backend_->ReadConfigDword(f, 0, &viaConfig), ERROR_SUCCESS);
        uint32_t address = *window + (f.bus << 20) + (f.device << 15) + (f.function << 12);
        ASSERT_EQ(this->backend_->ReadPhysical(address, reinterpret_cast<uint8_t*>(&viaWindow), 4),
                  ERROR_SUCCESS)
            << f.ToString();
        EXPECT_EQ(viaWindow, viaConfig) << f.ToString();
    }
}

TYPED_TEST(BackendConformance, WritesReadBack) {
    if (!TypeParam::kWritable) GTEST_SKIP() << "real hardware is never written";
    FunctionAddress f = this->functions_.back();
    ASSERT_EQ(this->backend_->WriteConfigDword(f, 0x40, 0x5AA5C33C), ERROR_SUCCESS);
    uint32_t value = 0;
    ASSERT_EQ(this->backend_->ReadConfigDword(f, 0x40, &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x5AA5C33Cu);
    // The same register through the window, written there.
    uint32_t address = *this->route_.Window(f.segment) + (f.bus << 20) + (f.device << 15) +
                       (f.function << 12) + 0x40;
    uint8_t bytes[2] = {0x11, 0x22};
    ASSERT_EQ(this->backend_->WritePhysical(address + 1, bytes, 2), ERROR_SUCCESS);
    ASSERT_EQ(this->backend_->ReadConfigDword(f, 0x40, &value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x5A22113Cu);
    // Plain memory low in the address space.
    uint8_t text[4] = {'T', 'V', '0', '1'}, back[4] = {};
    ASSERT_EQ(this->backend_->WritePhysical(0x8000, text, 4), ERROR_SUCCESS);
    ASSERT_EQ(this->backend_->ReadPhysical(0x8000, back, 4), ERROR_SUCCESS);
    EXPECT_EQ(std::memcmp(text, back, 4), 0);
}

}  // namespace
