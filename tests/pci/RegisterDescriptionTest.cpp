// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "pci/names/RegisterDescription.h"
#include "support/ScratchDirectory.h"

namespace {

constexpr uint32_t kIdentity = 0x15B88086;

class RegisterDescriptionTest : public testing::Test {
  protected:
    std::string Describe(uint32_t offset, uint32_t identity = kIdentity) {
        DescriptionFile file("regdes.txt");
        EXPECT_TRUE(file.IsOpen());
        // Two lookups on one open file, as a listing does: rewinding gives the same answer.
        std::string first, second;
        file.Rewind();
        LookupRegisterDescription(file, offset, identity, &first);
        file.Rewind();
        LookupRegisterDescription(file, offset, identity, &second);
        EXPECT_EQ(first, second);
        return first;
    }
    ScratchDirectory dir;
};

}  // namespace

TEST_F(RegisterDescriptionTest, GlobalSectionOnly) {
    dir.Write("regdes.txt",
              "00 Before any section\n"
              ";IDGLOBAL\n"
              "00 Identity\n"
              "04 Command and status\n"
              "08 Class\n"
              "0E Never looked up\n"
              ";IDEND\n"
              "10 After the section\n");
    EXPECT_EQ(Describe(0x00), "Identity");
    EXPECT_EQ(Describe(0x04), "Command and status");
    EXPECT_EQ(Describe(0x08), "Class");
    EXPECT_EQ(Describe(0x0C), "PCI device specific");
    EXPECT_EQ(Describe(0x10), "PCI device specific");
    EXPECT_EQ(Describe(0x3C), "PCI device specific");
}

TEST_F(RegisterDescriptionTest, TheFirstOpenSectionInFileOrderWins) {
    std::string device = ";ID=15B88086\n10 Device BAR\n;IDEND\n";
    std::string global = ";IDGLOBAL\n10 Global BAR\n14 Global 14\n;IDEND\n";
    dir.Write("regdes.txt", device + global);
    EXPECT_EQ(Describe(0x10), "Device BAR");
    EXPECT_EQ(Describe(0x14), "Global 14");
    EXPECT_EQ(Describe(0x10, 0x12345678), "Global BAR");
    dir.Write("regdes.txt", global + device);
    EXPECT_EQ(Describe(0x10), "Global BAR");
}

TEST_F(RegisterDescriptionTest, SectionMarkers) {
    dir.Write("regdes.txt",
              ";ID=11112222\n"
              "20 Other device only\n"
              ";IDEND\n"
              ";IDGLOBAL\n"
              ";ID=11112222\n"  // does not close the open section
              "24 Still global\n"
              ";idend\n"
              "28 After a lower-case end\n"
              ";id=15b88086\n"  // an ordinary semicolon line
              "2C Not opened by a lower-case marker\n"
              ";IDEND trailing text\n"
              ";ID= 15b88086 with blank and lower-case digits\n"
              "# a comment 30 Comment\n"
              "30 Device\n"
              "100 Three-digit offset\n"
              "34\n"
              ";IDEND\n"
              ";IDGLOBAL\n"
              "38 Last line without break");
    EXPECT_EQ(Describe(0x20), "PCI device specific");
    EXPECT_EQ(Describe(0x20, 0x11112222), "Other device only");
    EXPECT_EQ(Describe(0x24), "Still global");
    EXPECT_EQ(Describe(0x28), "PCI device specific");
    EXPECT_EQ(Describe(0x2C), "PCI device specific");
    EXPECT_EQ(Describe(0x30), "Device");
    EXPECT_EQ(Describe(0x100), " Three-digit offset");
    EXPECT_EQ(Describe(0x34), "");
    EXPECT_EQ(Describe(0x38), "PCI device specific");
}
