// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The shapes of the configuration-space description: structures (the
// headers and the capabilities) hold registers, registers hold fields. The
// tables are constexpr arrays of these plain structs, one file per group;
// the decoder lays them over a function's bytes. Offsets and bit positions
// are the PCI and PCI Express registers' public ones.
namespace pcidef {

enum class Access : uint8_t {
    RO,    // read-only, also hardware-initialised and sticky read-only bits
    RW,    // read-write, also sticky read-write bits
    RW1C,  // status: reads set, a 1 written clears, a 0 written leaves alone
    RsvdP  // reserved: the value read is written back
};

// How a field's value reads.
enum class MeaningKind : uint8_t {
    Flag,      // one bit: "yes" or "no"
    Hex,       // 0x and as many digits as the field is wide
    Decimal,   // the number, then the unit if there is one
    Enum,      // the text listed for the value; others are reserved
    Pow2,      // base << value, then the unit; values above `limit` are reserved
    Pow2Size,  // base << value bytes, in the largest binary unit that divides it
    PlusOne,   // value + 1, then the unit (counts stored as N-1)
    BitList,   // the texts of the bits set, bit i of the field naming texts value i
    Address    // the field in place (value << low bit), in hex
};

struct ValueText {
    uint32_t value;
    std::string_view text;
};

struct Meaning {
    MeaningKind kind;
    std::span<const ValueText> texts{};
    uint64_t base = 1;
    uint8_t limit = 63;
    std::string_view unit{};
};

struct FieldDef {
    std::string_view name;
    uint8_t low;
    uint8_t high;
    Access access;
    const Meaning* meaning;
    bool summary = false;  // shown in the one-line summary of its register

    constexpr FieldDef Summary() const {
        FieldDef shown = *this;
        shown.summary = true;
        return shown;
    }
    constexpr uint32_t Width() const { return high - low + 1u; }
    constexpr uint32_t Mask() const {
        return (Width() >= 32 ? 0xFFFFFFFFu : ((1u << Width()) - 1u)) << low;
    }
};

// Whether a register is there: a value v, below 32, with bit v of `values`
// set. `Field`: v is bits [low, high] of the little-endian dword at `offset`
// in the structure. `PortType`: v is the function's PCI Express device/port
// type. `BarUpperHalf`: v is 1 when the base address register at `offset` in
// the header holds the upper half of a 64-bit memory BAR before it, else 0.
enum class ConditionKind : uint8_t { Always, Field, PortType, BarUpperHalf };

struct Condition {
    ConditionKind kind = ConditionKind::Always;
    uint16_t offset = 0;
    uint8_t low = 0;
    uint8_t high = 0;
    uint32_t values = 0;
};

// How many copies of a register there are, `stride` bytes apart. `Field`:
// the value of bits [low, high] at `offset` plus `add`. `LengthBytes`: that
// value is a length in bytes from the start of the structure, covering the
// copies. `BitsAsDwords`: that value is a count of bits (0 meaning 256), one
// copy per 32. `LinkWidth`: one per lane of the function's widest link.
// `Nominal`: to the structure's nominal size. Never more than `max`.
enum class CountKind : uint8_t {
    Once,
    Fixed,
    Field,
    LengthBytes,
    BitsAsDwords,
    LinkWidth,
    Nominal
};

struct Count {
    CountKind kind = CountKind::Once;
    uint16_t offset = 0;
    uint8_t low = 0;
    uint8_t high = 0;
    int16_t add = 0;
    uint16_t max = 1;
    uint8_t stride = 0;
    uint8_t firstIndex = 0;  // the number the first copy's name ends in
};

struct RegisterDef {
    uint16_t offset;  // from the start of the structure
    uint8_t width;    // bytes: 1, 2, 4, and 3 for the class code
    std::string_view name;
    std::string_view display;
    std::span<const FieldDef> fields;
    Condition when{};
    Condition also{};
    Count count{};

    constexpr bool Repeated() const { return count.kind != CountKind::Once; }
    constexpr RegisterDef When(Condition condition) const {
        RegisterDef shown = *this;
        (shown.when.kind == ConditionKind::Always ? shown.when : shown.also) = condition;
        return shown;
    }
    constexpr RegisterDef Times(Count copies) const {
        RegisterDef repeated = *this;
        repeated.count = copies;
        return repeated;
    }
};

enum class Space : uint8_t { Header, Standard, Extended };

struct StructureDef {
    std::string_view key;  // empty for the headers and for unknown IDs
    uint16_t id;
    Space space;
    std::string_view display;
    std::span<const RegisterDef> registers;
    uint16_t nominalSize = 0;  // bytes, for structures shown as plain dwords
};

}  // namespace pcidef
