#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes data/machines/workstation.json, the builtin simulated workstation.

The committed JSON is the source; this script only saves typing the
configuration bytes. Run it from the repository top after changing it.
"""
import json
import struct

SUBSYSTEM = (0x1043, 0x8694)


class Config:
    def __init__(self, vendor, device, class_code, revision=0, header=0, size=256):
        self.b = bytearray(size)
        self.mask = bytearray([0xFF] * size)
        for o in (0, 1, 2, 3, 8, 9, 10, 11, 14):
            self.mask[o] = 0
        self.w16(0x00, vendor)
        self.w16(0x02, device)
        self.w16(0x04, 0x0406)  # memory + bus master, interrupts off
        self.w32(0x08, class_code << 8 | revision)
        self.b[0x0E] = header
        self.last_cap = None
        self.last_ext = None
        if header & 0x7F == 0:
            self.w16(0x2C, SUBSYSTEM[0])
            self.w16(0x2E, SUBSYSTEM[1])

    def w8(self, o, v): self.b[o] = v & 0xFF
    def w16(self, o, v): self.b[o:o + 2] = struct.pack('<H', v & 0xFFFF)
    def w32(self, o, v): self.b[o:o + 4] = struct.pack('<I', v & 0xFFFFFFFF)

    def bar(self, index, address, size, is64=False, io=False):
        o = 0x10 + 4 * index
        if io:
            self.w32(o, address | 1)
            low = size - 1 | 3
        else:
            self.w32(o, address | (4 if is64 else 0))
            low = size - 1 | 0xF
            if is64:
                self.w32(o + 4, 0)
        for i in range(4):
            self.mask[o + i] &= ~(low >> (8 * i)) & 0xFF

    def cap(self, offset, cap_id, body=b''):
        self.w16(0x06, 0x0010)  # capabilities list present
        if self.last_cap is None:
            self.w8(0x34, offset)
        else:
            self.w8(self.last_cap + 1, offset)
        self.w8(offset, cap_id)
        self.w8(offset + 1, 0)
        self.b[offset + 2:offset + 2 + len(body)] = body
        self.last_cap = offset

    def ext_cap(self, offset, cap_id, version, body=b''):
        if self.last_ext is not None:
            prev = struct.unpack_from('<I', self.b, self.last_ext)[0]
            self.w32(self.last_ext, prev | offset << 20)
        self.w32(offset, cap_id | version << 16)
        self.b[offset + 4:offset + 4 + len(body)] = body
        self.last_ext = offset

    def bridge(self, primary, secondary, subordinate, mem_base, mem_limit):
        self.w8(0x18, primary)
        self.w8(0x19, secondary)
        self.w8(0x1A, subordinate)
        self.w16(0x20, mem_base >> 16)
        self.w16(0x22, mem_limit >> 16)

    def hex(self, data):
        return ' '.join(data[i:i + 4].hex() for i in range(0, len(data), 4))


PM = struct.pack('<HH', 0xC803, 0x0008)
MSI = struct.pack('<H', 0x0080)
MSI64 = struct.pack('<H', 0x0180)


def pcie(port_type, link=0x0043):
    # Capabilities (v2, port type), device caps, link caps/status. `link` is
    # the width and speed as Link Status holds them (default x4 8GT/s); the
    # link is capable of what it trained at.
    return struct.pack('<HIHHIHH', 0x0002 | port_type << 4, 0x00008FC0, 0x2810, 0,
                       0x00400C00 | link, 0x0040, 0x1000 | link)


def msix(table_size, table_bar, table_offset, pba_bar, pba_offset):
    return struct.pack('<HII', table_size - 1, table_offset | table_bar,
                       pba_offset | pba_bar)


functions = []


def add(bdf, config):
    entry = {"bdf": bdf, "config": config.hex(config.b)}
    if config.mask != Config(0, 0, 0, size=len(config.b)).mask:
        entry["writable"] = config.hex(config.mask)
    functions.append(entry)


# Host bridge.
c = Config(0x8086, 0x3E30, 0x060000, revision=0x0D)
c.cap(0xE0, 0x09, bytes([0x10, 0x01]) + bytes(13))
add("00:00.0", c)

# Integrated graphics.
c = Config(0x8086, 0x3E92, 0x030000, revision=0x02)
c.bar(0, 0xF6000000, 0x1000000, is64=True)
c.bar(4, 0xF000, 0x40, io=True)
c.w8(0x3C, 0x0B); c.w8(0x3D, 1)
c.cap(0x40, 0x09, bytes([0x0C, 0x01]) + bytes(9))
c.cap(0x70, 0x10, pcie(9))
c.cap(0xAC, 0x05, MSI)
c.cap(0xD0, 0x01, PM)
add("00:02.0", c)

# PCIe root port to the NVMe drive: chain 0x40 -> 0x50 -> 0x60, PCIe last.
c = Config(0x8086, 0x1901, 0x060400, revision=0x0D, header=1, size=4096)
c.bridge(0, 1, 1, 0xF7000000, 0xF70FFFFF)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI)
c.cap(0x60, 0x10, pcie(4, 0x0043))
c.ext_cap(0x100, 0x0001, 1, bytes(40))           # advanced error reporting
c.ext_cap(0x140, 0x000B, 1, struct.pack('<I', 0x01000002))  # vendor specific
add("00:01.0", c)

# USB 3 host controller of the chipset.
c = Config(0x8086, 0xA36D, 0x0C0330, revision=0x10)
c.bar(0, 0xF7320000, 0x10000, is64=True)
c.cap(0x70, 0x01, PM)
c.cap(0x80, 0x05, MSI64)
add("00:14.0", c)

# SATA in AHCI mode.
c = Config(0x8086, 0xA352, 0x010601, revision=0x10)
c.bar(0, 0xF7330000, 0x2000)
c.bar(1, 0xF090, 0x8, io=True)
c.bar(2, 0xF080, 0x4, io=True)
c.bar(3, 0xF060, 0x20, io=True)
c.bar(5, 0xF7300000, 0x800)
c.cap(0x80, 0x05, MSI)
c.cap(0x70, 0x01, PM)
c.cap(0xA8, 0x12, struct.pack('<HI', 0x0010, 0x00000048))
add("00:17.0", c)

# Two root ports of the chipset, one multi-function device.
for fn, device, secondary, window in ((0, 0xA338, 2, 0xF7100000), (4, 0xA33C, 3, 0xF7200000)):
    c = Config(0x8086, device, 0x060400, revision=0xF0, header=0x81 if fn == 0 else 0x01,
               size=4096)
    c.bridge(0, secondary, secondary, window, window + 0xFFFFF)
    c.cap(0x40, 0x10, pcie(4, 0x0012))
    c.cap(0x80, 0x05, MSI)
    c.cap(0x90, 0x0D, struct.pack('<HHH', 0, SUBSYSTEM[0], SUBSYSTEM[1]))
    c.cap(0xA0, 0x01, PM)
    c.ext_cap(0x100, 0x0001, 1, bytes(40))
    add("00:1c.%d" % fn, c)

# ISA bridge, HD audio, SMBus: the rest of the multi-function device 1f.
c = Config(0x8086, 0xA305, 0x060100, revision=0x10, header=0x80)
add("00:1f.0", c)

c = Config(0x8086, 0xA348, 0x040300, revision=0x10)
c.bar(0, 0xF7310000, 0x4000, is64=True)
c.cap(0x50, 0x01, PM)
c.cap(0x60, 0x05, MSI64)
c.cap(0x70, 0x10, pcie(9))
add("00:1f.3", c)

c = Config(0x8086, 0xA323, 0x0C0500, revision=0x10)
c.bar(0, 0xF7314000, 0x100, is64=True)
c.bar(4, 0xEFA0, 0x20, io=True)
add("00:1f.4", c)

# NVMe drive behind 00:01.0.
c = Config(0x144D, 0xA808, 0x010802, size=4096)
c.bar(0, 0xF7000000, 0x4000, is64=True)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI64)
c.cap(0x70, 0x10, pcie(0))
c.cap(0xB0, 0x11, msix(33, 0, 0x3000, 0, 0x2000))
c.ext_cap(0x100, 0x0001, 2, bytes(40))
c.ext_cap(0x148, 0x0003, 1, struct.pack('<Q', 0x0025385B81B2C1A5))  # serial number
c.ext_cap(0x158, 0x0004, 1, bytes(12))          # power budgeting
add("01:00.0", c)

# Ethernet behind 00:1c.0, with MSI-X, PM and PCIe capabilities.
c = Config(0x8086, 0x1533, 0x020000, revision=0x03, size=4096)
c.bar(0, 0xF7100000, 0x20000)
c.bar(3, 0xF7120000, 0x4000)
c.w8(0x3C, 0x10); c.w8(0x3D, 1)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI64)
c.cap(0x70, 0x11, msix(5, 3, 0x0000, 3, 0x2000))
c.cap(0xA0, 0x10, pcie(0, 0x0011))
c.ext_cap(0x100, 0x0001, 2, bytes(40))
c.ext_cap(0x140, 0x0003, 1, struct.pack('<Q', 0x001E67FFFF1D2C3A))
c.ext_cap(0x1A0, 0x0017, 1, bytes(8))           # TPH requester
add("02:00.0", c)

# USB 3.1 host controller behind 00:1c.4.
c = Config(0x1B21, 0x1242, 0x0C0330)
c.bar(0, 0xF7200000, 0x8000, is64=True)
c.cap(0x50, 0x05, MSI64)
c.cap(0x68, 0x11, msix(8, 0, 0x2000, 0, 0x2080))
c.cap(0x78, 0x01, PM)
c.cap(0x80, 0x10, pcie(0, 0x0012))
add("03:00.0", c)


# Functions with the extended capabilities engineers read every day, behind
# two further root ports, and one whose capability list loops.
def express(port_type, speed, width, slot=None, root=False, trained=None):
    # Version 2 with the "2" registers; speeds supported up to `speed`. The
    # link trains at `trained` (speed, width), else at what it is capable of.
    flags = 0x0002 | port_type << 4 | (0x0100 if slot is not None else 0)
    trained_speed, trained_width = trained or (speed, width)
    body = struct.pack('<HIHHIHH', flags, 0x10008FC2, 0x2830, 0x0000,
                       0x0075AC00 | width << 4 | speed, 0x0042,
                       0x3000 | trained_width << 4 | trained_speed)
    body += struct.pack('<IHH', (slot or 0) << 19 | 0x0000007B if slot is not None else 0,
                        0x11C0 if slot is not None else 0, 0x0040 if slot is not None else 0)
    body += struct.pack('<HHI', 0x0008 if root else 0, 0, 0)
    body += struct.pack('<IHHIHHIHH', 0x00030C1F, 0x0406, 0, ((1 << speed) - 1) << 1,
                        speed, 0x001E, 0, 0, 0)
    return body


def aer(uncor_status=0, cor_status=0, root=None):
    body = struct.pack('<IIIII I', uncor_status, 0, 0x00462030, cor_status, 0x00002000, 0x000001A0)
    body += bytes(16)
    if root:
        body += struct.pack('<III', 0x00000007, root[0], root[1])
    return body


def l1_substates(enabled):
    return struct.pack('<III', 0x0028281F, 0x4000280F if enabled else 0, 0x00000028)


def lane_equalisation(width, per_lane, size):
    return b''.join(struct.pack('<B' if size == 1 else '<H', per_lane) for _ in range(width))


# Root port to a graphics device, with a slot. The x16 16GT/s link to the
# device trained at x8 8GT/s, as a card in a poorly seated slot does.
GRAPHICS_LINK = (3, 8)
c = Config(0x8086, 0xA340, 0x060400, revision=0xF0, header=0x01, size=4096)
c.bridge(0, 4, 4, 0xF7400000, 0xF74FFFFF)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI)
c.cap(0x60, 0x10, express(4, 4, 16, slot=5, root=True, trained=GRAPHICS_LINK))
c.cap(0xA0, 0x0D, struct.pack('<HHH', 0, SUBSYSTEM[0], SUBSYSTEM[1]))
c.ext_cap(0x100, 0x0001, 2, aer(cor_status=0x00000041, root=(0x00000001, 0x00000400)))
c.ext_cap(0x148, 0x000D, 1, struct.pack('<HH', 0x005F, 0x001D))         # ACS
c.ext_cap(0x150, 0x001E, 1, l1_substates(True))
c.ext_cap(0x160, 0x0019, 1, struct.pack('<II', 0, 0) + lane_equalisation(16, 0x4747, 2))
c.ext_cap(0x190, 0x0026, 1, struct.pack('<III', 0, 0, 0x0000000F) + bytes(16) + lane_equalisation(16, 0x77, 1))
c.ext_cap(0x1C0, 0x001D, 1, struct.pack('<HHHH', 0x1080, 0x0001, 0, 0))  # DPC
c.ext_cap(0x1D0, 0x001F, 1, struct.pack('<II', 0x00000406, 0x00000003))  # PTM root
add("00:1b.0", c)

# Graphics behind it: resizable BAR, serial number, latency tolerance.
c = Config(0x8086, 0x56A0, 0x030000, revision=0x08, size=4096)
c.bar(0, 0xF7400000, 0x100000)
c.w8(0x3C, 0x0B); c.w8(0x3D, 1)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI64)
c.cap(0x70, 0x10, express(0, 4, 16, trained=GRAPHICS_LINK))
c.cap(0xB0, 0x11, msix(1, 0, 0x80000, 0, 0x90000))
c.ext_cap(0x100, 0x0001, 2, aer(uncor_status=0x00004000))
c.ext_cap(0x148, 0x0003, 1, struct.pack('<Q', 0x00A0C9FFFE123456))
c.ext_cap(0x158, 0x0015, 1, struct.pack('<II', 0x00001FF0, 0x00000020))  # BAR0: 1MB-256MB, 1MB
c.ext_cap(0x168, 0x0018, 1, struct.pack('<HH', 0x0803, 0x0803))         # LTR: 3 x 1024ns
c.ext_cap(0x170, 0x001E, 1, l1_substates(True))
c.ext_cap(0x180, 0x0019, 1, struct.pack('<II', 0, 0) + lane_equalisation(16, 0x4747, 2))
c.ext_cap(0x1B0, 0x0026, 1, struct.pack('<III', 0, 0, 0x0000000F) + bytes(16) + lane_equalisation(16, 0x77, 1))
c.ext_cap(0x1E0, 0x000B, 1, struct.pack('<II', 0x01810001, 0x00000100) + bytes(12))
c.ext_cap(0x200, 0x0023, 1, struct.pack('<IH', 0x01008086, 0x0002) + bytes(6))
add("04:00.0", c)

# Root port to a virtualising Ethernet controller.
c = Config(0x8086, 0xA332, 0x060400, revision=0xF0, header=0x01, size=4096)
c.bridge(0, 5, 5, 0xF7500000, 0xF75FFFFF)
c.cap(0x40, 0x10, express(4, 3, 8, root=True))
c.cap(0x80, 0x05, MSI)
c.cap(0xA0, 0x01, PM)
c.ext_cap(0x100, 0x0001, 2, aer(root=(0, 0)))
c.ext_cap(0x148, 0x000D, 1, struct.pack('<HH', 0x005F, 0x001D))
add("00:1d.0", c)

# Ethernet with SR-IOV, ARI, ATS and ACS.
c = Config(0x8086, 0x1572, 0x020000, revision=0x02, size=4096)
c.bar(0, 0xF7500000, 0x80000, is64=True)
c.bar(3, 0xF7580000, 0x8000, is64=True)
c.w8(0x3C, 0x0A); c.w8(0x3D, 1)
c.cap(0x40, 0x01, PM)
c.cap(0x50, 0x05, MSI64)
c.cap(0x70, 0x11, msix(129, 3, 0x0000, 3, 0x1000))
c.cap(0xA0, 0x10, express(0, 3, 8))
c.ext_cap(0x100, 0x0001, 2, aer())
c.ext_cap(0x140, 0x0003, 1, struct.pack('<Q', 0x3CFDFEFFFFA1B2C3))
c.ext_cap(0x150, 0x000E, 1, struct.pack('<HH', 0x0000, 0))           # ARI
c.ext_cap(0x160, 0x0010, 1, struct.pack('<IHHHHHBBHHHHIII', 0x00000002, 0x0010, 0, 64, 64, 0, 0, 0,
                                        0x0010, 0x0001, 0, 0x154C, 0x00000553, 0x00000001, 0x0000000C)
          + bytes(20) + struct.pack('<I', 0))                        # SR-IOV: 64 VFs
c.ext_cap(0x1A0, 0x000F, 1, struct.pack('<HH', 0x0020, 0x0000))     # ATS
c.ext_cap(0x1B0, 0x000D, 1, struct.pack('<HH', 0x005F, 0x0000))     # ACS
c.ext_cap(0x1C0, 0x0017, 1, struct.pack('<II', 0x00000007, 0))      # TPH, no table
add("05:00.0", c)

# Management controller whose capability list loops back on itself.
c = Config(0x8086, 0xA360, 0x078000, revision=0x30)
c.bar(0, 0xF7334000, 0x1000, is64=True)
c.cap(0x50, 0x01, PM)
c.cap(0x8C, 0x05, MSI64)
c.w8(0x8D, 0x50)
add("00:16.0", c)

def text(s, size=None):
    data = s.encode()
    return data + bytes((size or len(data)) - len(data))


ram = bytearray(0x600)
ram[0x400:0x408] = struct.pack('<HHHH', 0x3F8, 0x2F8, 0, 0)  # serial ports in the BIOS data area
ram[0x500:] = text("Tarvolent simulated workstation - conventional memory", 0x100)
rom = bytes([0x55, 0xAA, 0x40, 0xE9, 0x4C, 0x01]) + bytes(0x1A) + \
    text("IBM COMPATIBLE SIMULATED VIDEO BIOS 1.0\0")

memory = [
    {"base": "0x0", "size": "0xA0000", "hex": ram.hex()},
    {"base": "0xC0000", "size": "0x8000", "hex": rom.hex(), "writable": False},
    {"base": "0x100000", "size": "0x3FF00000", "fill": "0x00"},
    {"base": "0xF6000000", "size": "0x1000000", "fill": "0x00"},
    {"base": "0xF7000000", "size": "0x4000",
     "hex": struct.pack('<QII', 0x0000003C033FFFFF, 0x00010300, 0).hex()},
    {"base": "0xF7100000", "size": "0x20000",
     "hex": struct.pack('<IIII', 0x58100241, 0, 0x80080783, 0).hex()},
    {"base": "0xF7120000", "size": "0x4000", "fill": "0x00"},
    {"base": "0xF7200000", "size": "0x8000",
     "hex": struct.pack('<BBHIII', 0x20, 0, 0x0110, 0x08000820, 0x0000000F, 0x0002EF01).hex()},
    {"base": "0xF7300000", "size": "0x800",
     "hex": struct.pack('<IIIII', 0xC734FF05, 0x80000000, 0, 0x0000003F, 0x00010301).hex()},
    {"base": "0xF7310000", "size": "0x4000",
     "hex": struct.pack('<HBBHH', 0x4401, 0, 1, 0x003C, 0x001D).hex()},
    {"base": "0xF7314000", "size": "0x100", "fill": "0x00"},
    {"base": "0xF7320000", "size": "0x10000",
     "hex": struct.pack('<BBHIII', 0x80, 0, 0x0100, 0x200007FF, 0x05000420, 0x0020FE65).hex()},
    {"base": "0xF7330000", "size": "0x2000", "fill": "0x00"},
    {"base": "0xF7334000", "size": "0x1000", "fill": "0x00"},
    {"base": "0xF7400000", "size": "0x100000", "fill": "0x00"},
    {"base": "0xF7500000", "size": "0x80000", "fill": "0x00"},
    {"base": "0xF7580000", "size": "0x8000", "fill": "0x00"},
]

functions.sort(key=lambda f: f["bdf"])

# A second PCI segment, as a server's second root complex makes one: an
# integrated endpoint at 0001:00:00.0 behind a window of its own, listed
# after segment 0 as the kernel lists it.
c = Config(0x8086, 0x09A2, 0x088000, size=4096)
c.cap(0x40, 0x10, pcie(9))
add("0001:00:00.0", c)

machine = {
    "name": "Simulated workstation",
    "ecam": [{"segment": 0, "base": "0xE0000000", "buses": 256},
             {"segment": 1, "base": "0xD0000000", "buses": 256}],
    "functions": functions,
    "memory": memory,
}

with open("data/machines/workstation.json", "w") as out:
    json.dump(machine, out, indent=1)
    out.write("\n")
