// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "pcidef/ConfigMechanism.h"
#include "pcidef/FunctionAddress.h"

namespace {

constexpr AddressDigits kPrinted = AddressDigits::Printed;
constexpr AddressDigits kTyped = AddressDigits::Typed;

TEST(FunctionAddress, ParsesBothFormsInEitherCaseAndRefusesTheRest) {
    const std::optional<FunctionAddress> none;
    struct Case {
        const char* text;
        AddressDigits digits;
        std::optional<FunctionAddress> expected;
    } cases[] = {
        {"00:1f.3", kPrinted, FunctionAddress{0, 0x1F, 3}},
        {"FF:1F.7", kPrinted, FunctionAddress{0xFF, 0x1F, 7}},
        {"0000:00:1f.3", kPrinted, FunctionAddress{0, 0x1F, 3}},
        {"abcd:0a:00.1", kPrinted, FunctionAddress{0x0A, 0, 1, 0xABCD}},
        {"0:1f.3", kPrinted, none},  // lspci prints two digits
        {"0:1f.3", kTyped, FunctionAddress{0, 0x1F, 3}},
        {"a:2.1", kTyped, FunctionAddress{0x0A, 2, 1}},
        {"0001:a:2.1", kTyped, FunctionAddress{0x0A, 2, 1, 1}},
        {"00:20.0", kPrinted, none},   // device has 5 bits
        {"00:1f.8", kPrinted, none},   // function has 3 bits
        {"100:00.0", kTyped, none},    // bus has 2 digits at most
        {"00:00.00", kPrinted, none},  // function has 1 digit
        {"001:00:00.0", kPrinted, none},
        {"00:00.0 ", kPrinted, none},  // the whole text
        {"00-00.0", kPrinted, none},
        {"+0:00.0", kTyped, none},
        {"", kTyped, none},
        {"00:", kTyped, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseFunctionAddress(c.text, c.digits), c.expected);
    }
}

TEST(FunctionAddress, ReadsTheStartOfALineAndTellsShapeFromRange) {
    struct Case {
        const char* text;
        size_t length;
        bool withSegment;
        bool inRange;
    } cases[] = {
        {"00:1f.3 Audio device", 7, false, true},
        {"0001:40:00.0 Ethernet", 12, true, true},
        {"00:20.0 A", 7, false, false},
        {"0000:zz:00.0", 0, false, false},  // neither form
        {"00001:00:00.0", 0, false, false},
        {"Capabilities: [e0]", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FunctionAddress address;
        const AddressText read = ReadFunctionAddress(c.text, kPrinted, &address);
        EXPECT_EQ(read.length, c.length);
        EXPECT_EQ(read.withSegment, c.withSegment);
        if (read.length > 0) {
            EXPECT_EQ(address.InRange(), c.inRange);
        }
    }
}

TEST(FunctionAddress, PrintsAsLspciAndRoundTrips) {
    EXPECT_EQ((FunctionAddress{0, 0x1F, 3}).ToString(), "00:1f.3");
    EXPECT_EQ((FunctionAddress{0, 0x1F, 3}).ToString(true), "0000:00:1f.3");
    EXPECT_EQ((FunctionAddress{0xAB, 1, 7, 0x10}).ToString(), "0010:ab:01.7");
    for (const FunctionAddress& address :
         {FunctionAddress{0, 0, 0}, FunctionAddress{0xFF, 0x1F, 7, 0xFFFF},
          FunctionAddress{0x80, 0x10, 4, 2}}) {
        EXPECT_EQ(ParseFunctionAddress(address.ToString(), kPrinted), address);
        EXPECT_EQ(FunctionAddress::FromDevFn(address.bus, address.DevFn(), address.segment),
                  address);
    }
    // Keys order functions as their printed names sort.
    EXPECT_LT((FunctionAddress{0xFF, 0x1F, 7}).Key(), (FunctionAddress{0, 0, 0, 1}).Key());
    EXPECT_LT((FunctionAddress{1, 0x1F, 7}).Key(), (FunctionAddress{2, 0, 0}).Key());
}

TEST(ConfigMechanism, AddressNamesFunctionAndAlignedRegister) {
    namespace cm = config_mechanism;
    const FunctionAddress function{0x12, 0x1F, 5};
    const uint32_t address = cm::AddressOf(function, 0x43);
    EXPECT_EQ(address, 0x8012FD43u);
    EXPECT_TRUE(cm::Enabled(address));
    EXPECT_FALSE(cm::Enabled(address & ~cm::kEnable));
    EXPECT_EQ(cm::FunctionOf(address), function);
    EXPECT_EQ(cm::RegisterOf(address), 0x40u);
}

}  // namespace
