// SPDX-License-Identifier: MIT
#include "pcidef/ConfigMechanism.h"
#include "pcidef/ConfigRegisters.h"
#include "platform/PortIo.h"
#include "platform/Seam.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TARVOLENT_HAS_PORT_IO 1
#endif

namespace {

constexpr uint16_t kFirstPort = config_mechanism::kAddressPort;
constexpr uint16_t kPortCount = config_mechanism::kPortCount;
constexpr uint32_t kFloatingBus = pcireg::kAbsentDword;

// Only the configuration ports are ever opened. Without the right (not root,
// or another architecture) reads give what an empty bus gives and writes
// are dropped.
class NativePortIo : public PortIo {
public:
    void OutDword(uint16_t port, uint32_t value) override {
#ifdef TARVOLENT_HAS_PORT_IO
        if (Permitted(port)) outl(value, port);
#else
        (void)port;
        (void)value;
#endif
    }

    uint32_t InDword(uint16_t port) override {
#ifdef TARVOLENT_HAS_PORT_IO
        if (Permitted(port)) return inl(port);
#else
        (void)port;
#endif
        return kFloatingBus;
    }

private:
    static bool Permitted(uint16_t port) {
        if (port < kFirstPort || port + 4 > kFirstPort + kPortCount) return false;
#ifdef TARVOLENT_HAS_PORT_IO
        // The permission belongs to the calling thread.
        thread_local const bool granted = ioperm(kFirstPort, kPortCount, 1) == 0;
        return granted;
#else
        return false;
#endif
    }
};

}  // namespace

PortIo& PortIo::Native() {
    static NativePortIo ports;
    return ports;
}

PortIo& PortIo::Current() { return Seam<PortIo>::Current(); }
