// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "pci/names/PciClassFile.h"
#include "platform/Seam.h"
#include "support/MessageRecorder.h"
#include "support/ScratchDirectory.h"

class PciClassFileTest : public testing::Test {
  protected:
    ScratchDirectory dir;
    MessageRecorder messages;
    ScopedOverride<MessageBoxService> messageBox{messages};
    std::string name = "untouched";
};

TEST_F(PciClassFileTest, MissingFileLeavesTheNameAlone) {
    EXPECT_EQ(LookupClassName(0x0C0330, &name), 0);
    EXPECT_EQ(name, "untouched");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PciClassFileTest, FirstMatchingLineWins) {
    dir.Write("pcidevcl.txt",
              "# 0C0320 FFFFFF a comment never matches\n"
              "\n"
              "ab\n"
              "0C0300 FFFF00 USB controller\n"
              "zz0000 FF0000 Unreadable value\n"
              "0C0000 zzzzzz Unreadable mask\n"
              "0C0000 FF0000 Serial bus controller\n"
              "000000 000000 Unknown device class\n");
    EXPECT_EQ(LookupClassName(0x0C0320, &name), 1);
    EXPECT_EQ(name, "USB controller");
    EXPECT_EQ(LookupClassName(0x0C0500, &name), 1);
    EXPECT_EQ(name, "Serial bus controller");
    EXPECT_EQ(LookupClassName(0x030000, &name), 1);
    EXPECT_EQ(name, "Unknown device class");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PciClassFileTest, NoMatchGivesAnEmptyNameWithoutMessage) {
    for (std::string text : {"", "0C0300 FFFF00 USB controller\n",
                             "0C0300 FFFF00 USB\n000000 000000 Catch-all without break"}) {
        dir.Write("pcidevcl.txt", text);
        name = "untouched";
        EXPECT_EQ(LookupClassName(0x020000, &name), 1);
        EXPECT_EQ(name, "");
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PciClassFileTest, ShortAndOddLines) {
    // "0 0" has no name column; a CRLF line keeps no '\r' in its name.
    dir.Write("pcidevcl.txt", "010000 FF0000 Mass storage\r\n0 0\n");
    EXPECT_EQ(LookupClassName(0x010600, &name), 1);
    EXPECT_EQ(name, "Mass storage");
    EXPECT_EQ(LookupClassName(0x020000, &name), 1);
    EXPECT_EQ(name, "");
    // Three characters as a C string: a NUL ends the line's text.
    dir.Write("pcidevcl.txt", std::string("1 0\0 hidden\n000000 000000 Catch-all\n", 36));
    EXPECT_EQ(LookupClassName(0x020000, &name), 1);
    EXPECT_EQ(name, "Catch-all");
}

TEST_F(PciClassFileTest, ReadErrorIsShownAndTheLookupEnds) {
    ASSERT_EQ(mkdir("pcidevcl.txt", 0700), 0);
    EXPECT_EQ(LookupClassName(0x010000, &name), 1);
    EXPECT_EQ(name, "");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "PCI description file read error!");
}
