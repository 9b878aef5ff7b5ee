// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "pci/names/PciIdFile.h"
#include "support/ScratchDirectory.h"

TEST(PciIdFile, VendorNames) {
    ScratchDirectory dir;
    EXPECT_EQ(LookupVendorName(0x8086), "");  // no file
    dir.Write("PciId.txt",
              "# comment VID 1111 Not a vendor\n"
              "vid 1af4 Red Hat, Inc.\n"
              "VID\t8086   Intel Corporation\n"
              "VID=abcd Separator Is Any Character\n"
              "VID 12ZZ Unreadable\n"
              "VIDxyz Nothing\n"
              "VID 1234 ID Systems\n"
              "VID 5678\n"
              "VID 10de NVIDIA Corporation\r\n"
              "VID 4321 Last line without break");
    EXPECT_EQ(LookupVendorName(0x1af4), "Red Hat, Inc.");
    EXPECT_EQ(LookupVendorName(0x8086), "Intel Corporation");
    EXPECT_EQ(LookupVendorName(0xabcd), "Separator Is Any Character");
    EXPECT_EQ(LookupVendorName(0x12), "ZZ Unreadable");  // the number ends at the first non-digit
    EXPECT_EQ(LookupVendorName(0x1111), "");
    // The name's first word also occurs in "VID": the name is still the one after the number.
    EXPECT_EQ(LookupVendorName(0x1234), "ID Systems");
    EXPECT_EQ(LookupVendorName(0x5678), "");
    EXPECT_EQ(LookupVendorName(0x10de), "NVIDIA Corporation");
    EXPECT_EQ(LookupVendorName(0x4321), "");
}

TEST(PciIdFile, DeviceNamesComeFromTheFirstBlockOfTheirVendor) {
    ScratchDirectory dir;
    dir.Write("PciId.txt",
              "DID 0001 Before any vendor\n"
              "VID 1000 First\n"
              "DID 0001 Device one\n"
              "did 0002 Device two, lower case\n"
              "# a comment inside the block\n"
              "DID 0003 Device three\n"
              "VID 2000 Second\n"
              "DID 0009 Only under the second vendor\n"
              "VID 1000 First again\n"
              "DID 0004 In the repeated block\n"
              "VID 3000 Last\n"
              "DID 0005 Last device\n");
    EXPECT_EQ(LookupDeviceName(0x1000, 0x0001), "Device one");
    EXPECT_EQ(LookupDeviceName(0x1000, 0x0002), "Device two, lower case");
    EXPECT_EQ(LookupDeviceName(0x1000, 0x0003), "Device three");
    EXPECT_EQ(LookupDeviceName(0x1000, 0x0004), "");
    EXPECT_EQ(LookupDeviceName(0x1000, 0x0009), "");
    EXPECT_EQ(LookupDeviceName(0x3000, 0x0005), "Last device");
    EXPECT_EQ(LookupDeviceName(0x3000, 0x0006), "");
    EXPECT_EQ(LookupDeviceName(0x4000, 0x0001), "");
}

TEST(PciIdFile, LongLinesAreReadAsSeveralLines) {
    ScratchDirectory dir;
    // 255 bytes end the first piece; the rest of the line is read as a line
    // of its own and here starts with "VID".
    std::string first = "VID 1111 " + std::string(246, 'x');
    ASSERT_EQ(first.size(), 255u);
    dir.Write("PciId.txt", first + "VID 2222 Hidden in a long line\n");
    EXPECT_EQ(LookupVendorName(0x1111), std::string(245, 'x'));
    EXPECT_EQ(LookupVendorName(0x2222), "Hidden in a long line");
}
