// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/ScratchDirectory.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int Generate(const std::string& input) {
    std::string command = std::string(TARVOLENT_PCIDATA_TOOL) + " '" + input +
                          "' PciId.txt pcidevcl.txt 2>stderr.txt";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(PciDataGenerator, WritesNamesAndClassesMostSpecificFirst) {
    ScratchDirectory dir;
    std::string longName(300, 'n');
    dir.Write("pci.ids",
              "#\tVersion: 2099.01.01\n"
              "1af4  Red Hat, Inc.\n"
              "\t1000  Virtio network device\n"
              "\t\t01de fffb  A subsystem, left out\n"
              "8086  " +
                  longName +
                  "\n"
                  "\n"
                  "C 0c  Serial bus controller\n"
                  "\t03  USB controller\n"
                  "\t\t30  XHCI\n"
                  "\t05  SMBus\n");
    ASSERT_EQ(Generate("pci.ids"), 0) << ReadAll("stderr.txt");
    EXPECT_EQ(ReadAll("PciId.txt"),
              "# Generated from the PCI ID database (pci.ids), version 2099.01.01.\n"
              "# VID vendor-id name, then DID device-id name for each of its devices.\n"
              "VID 1af4 Red Hat, Inc.\n"
              "DID 1000 Virtio network device\n"
              "VID 8086 " +
                  std::string(245, 'n') + "\n");
    std::string classes = ReadAll("pcidevcl.txt");
    std::string body = classes.substr(classes.find("\n0C"));
    EXPECT_EQ(body,
              "\n0C0330 FFFFFF USB controller (XHCI)\n"
              "0C0300 FFFF00 USB controller\n"
              "0C0500 FFFF00 SMBus\n"
              "0C0000 FF0000 Serial bus controller\n"
              "000000 000000 Unknown device class\n");
}

TEST(PciDataGenerator, MalformedOrMissingInputIsNamed) {
    ScratchDirectory dir;
    dir.Write("pci.ids", "1af4  Red Hat, Inc.\n\tzz00  Not hex\n");
    EXPECT_EQ(Generate("pci.ids"), 1);
    EXPECT_EQ(ReadAll("stderr.txt"), "pci.ids:2: not a device entry: \"\tzz00  Not hex\"\n");
    EXPECT_FALSE(std::filesystem::exists("PciId.txt"));

    EXPECT_EQ(Generate("absent.ids"), 1);
    EXPECT_EQ(ReadAll("stderr.txt"), "absent.ids: cannot be opened\n");
}
