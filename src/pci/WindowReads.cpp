// SPDX-License-Identifier: MIT
#include "pci/WindowReads.h"

#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "pcidef/ConfigWindow.h"

namespace {

// Where each PCI Express function lies in the window its base is.
std::vector<uint32_t> WindowAddresses(const std::vector<FunctionAddress>& functions,
                                      const std::vector<uint32_t>& identities,
                                      BaseAddressChoice choice) {
    std::vector<uint32_t> addresses =
        choice.automatic ? DetectMmioBases(functions, identities)
                         : std::vector<uint32_t>(functions.size(), choice.base);
    for (size_t i = 0; i < functions.size(); ++i)
        addresses[i] += static_cast<uint32_t>(ConfigWindow::OffsetOf(functions[i]));
    return addresses;
}

}  // namespace

WindowReads ReadRowsAsWindow(const PciDeviceTable& table, int32_t first, int32_t count,
                             BaseAddressChoice choice) {
    WindowReads reads;
    reads.rows_.resize(static_cast<size_t>(count));
    std::vector<size_t> pciAt, expressAt;
    std::vector<FunctionAddress> pci, express;
    std::vector<uint32_t> identities;
    for (int32_t i = 0; i < count; ++i) {
        const PciDeviceEntry& entry = table.rows[static_cast<size_t>(first + i)];
        const FunctionAddress function = table.Address(first + i);
        if (entry.kind == PCI_KIND_PCI) {
            pciAt.push_back(static_cast<size_t>(i));
            pci.push_back(function);
        } else if (entry.kind == PCI_KIND_PCIE) {
            expressAt.push_back(static_cast<size_t>(i));
            express.push_back(function);
            identities.push_back(entry.Identity());
        }
    }
    reads.mechanism_ = ConfigSpaceBatch::FromMechanism(pci);
    for (size_t k = 0; k < pci.size(); ++k)
        reads.rows_[pciAt[k]] = {config_mechanism::AddressOf(pci[k]), reads.mechanism_[k]};
    const std::vector<uint32_t> addresses = WindowAddresses(express, identities, choice);
    reads.window_ = ConfigSpaceBatch::FromWindow(addresses);
    for (size_t k = 0; k < express.size(); ++k)
        reads.rows_[expressAt[k]] = {addresses[k], reads.window_[k]};
    // A function with something refused is read again on its own, in row
    // order, so each refusal is that request's, as when rows are read one by one.
    for (int32_t i = 0; i < count; ++i) {
        WindowRead& read = reads.rows_[static_cast<size_t>(i)];
        if (read.space.Complete()) continue;
        const PciDeviceEntry& entry = table.rows[static_cast<size_t>(first + i)];
        auto again = std::make_unique<ConfigSpaceRead>(
            entry.kind == PCI_KIND_PCI ? ConfigSpaceRead::FromMechanism(table.Address(first + i))
                                       : ConfigSpaceRead::FromWindow(read.address));
        read.space = again->View();
        reads.readAgain_.push_back(std::move(again));
    }
    return reads;
}
