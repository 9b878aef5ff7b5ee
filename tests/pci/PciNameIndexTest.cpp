// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "pci/names/DescriptionFilesHeld.h"
#include "pci/names/PciClassFile.h"
#include "pci/names/PciIdFile.h"
#include "platform/Seam.h"
#include "support/FgetsPieces.h"
#include "support/MessageRecorder.h"
#include "support/ScratchDirectory.h"

// Every lookup against the literal reading: the lines an fgets loop
// examines, each looked at from the top as the lookup rules say.
namespace {

using Pieces = std::vector<std::string>;

// "%x" from the fifth character on; `end` gets the offset after the number.
bool LiteralNumber(const std::string& piece, uint32_t* number, size_t* end) {
    if (piece.size() <= 4) return false;
    unsigned value = 0;
    int consumed = 0;
    if (std::sscanf(piece.c_str() + 4, "%x%n", &value, &consumed) != 1) return false;
    *number = value;
    *end = 4 + static_cast<size_t>(consumed);
    return true;
}

// The line's text as a C string from `from`, less its last character (and a
// carriage return before a final line break).
std::string LiteralRest(const std::string& piece, size_t from) {
    const size_t length = std::strlen(piece.c_str());
    if (length <= from + 1) return {};
    std::string text = piece.substr(from, length - 1 - from);
    if (length == piece.size() && piece.back() == '\n' && !text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

std::string LiteralIdName(const std::string& piece, size_t afterNumber) {
    const size_t length = std::strlen(piece.c_str());
    while (afterNumber < length && std::isspace(static_cast<unsigned char>(piece[afterNumber])))
        ++afterNumber;
    return afterNumber >= length ? std::string() : LiteralRest(piece, afterNumber);
}

bool Keyword(const std::string& piece, const char* keyword) {
    return strncasecmp(piece.c_str(), keyword, 3) == 0;
}

std::string LiteralVendor(const Pieces& pieces, uint32_t vendor) {
    for (const std::string& piece : pieces) {
        uint32_t number = 0;
        size_t end = 0;
        if (Keyword(piece, "VID") && LiteralNumber(piece, &number, &end) && number == vendor)
            return LiteralIdName(piece, end);
    }
    return {};
}

std::string LiteralDevice(const Pieces& pieces, uint32_t vendor, uint32_t device) {
    size_t i = 0;
    for (;; ++i) {
        if (i == pieces.size()) return {};
        uint32_t number = 0;
        size_t end = 0;
        if (Keyword(pieces[i], "VID") && LiteralNumber(pieces[i], &number, &end) &&
            number == vendor)
            break;
    }
    for (++i; i < pieces.size(); ++i) {
        if (Keyword(pieces[i], "VID")) return {};
        uint32_t number = 0;
        size_t end = 0;
        if (Keyword(pieces[i], "DID") && LiteralNumber(pieces[i], &number, &end) &&
            number == device)
            return LiteralIdName(pieces[i], end);
    }
    return {};
}

std::string LiteralClass(const Pieces& pieces, uint32_t code) {
    for (const std::string& piece : pieces) {
        if (piece[0] == '#' || std::strlen(piece.c_str()) <= 3) continue;
        unsigned value = 0, mask = 0;
        if (std::sscanf(piece.c_str(), "%x %x", &value, &mask) == 2 &&
            (code & mask) == (value & mask))
            return LiteralRest(piece, 14);
    }
    return {};
}

std::string ClassName(uint32_t code) {
    std::string name = "untouched";
    EXPECT_EQ(LookupClassName(code, &name), 1);
    return name;
}

using Pairs = std::vector<std::pair<uint32_t, uint32_t>>;

// Every pair of the ids, as vendor and device.
Pairs AllPairs(const std::vector<uint32_t>& ids) {
    Pairs pairs;
    for (uint32_t vendor : ids)
        for (uint32_t device : ids) pairs.emplace_back(vendor, device);
    return pairs;
}

// Checks the given lookups against the literal reading of the files now in
// the current directory.
void ExpectLiteral(const std::vector<uint32_t>& vendors, const Pairs& devices,
                   const std::vector<uint32_t>& classes, const std::string& where) {
    const Pieces ids = FgetsPieces(kPciIdFileName);
    const Pieces classLines = FgetsPieces(kPciClassFileName);
    for (uint32_t vendor : vendors)
        ASSERT_EQ(LookupVendorName(vendor), LiteralVendor(ids, vendor))
            << where << " vendor " << std::hex << vendor;
    for (const auto& [vendor, device] : devices)
        ASSERT_EQ(LookupDeviceName(vendor, device), LiteralDevice(ids, vendor, device))
            << where << " vendor " << std::hex << vendor << " device " << device;
    for (uint32_t code : classes)
        ASSERT_EQ(ClassName(code), LiteralClass(classLines, code))
            << where << " class " << std::hex << code;
}

// Lines built from the pieces the rules care about, with long lines, NULs,
// carriage returns and a last line that may lack its break.
std::string RandomFile(std::mt19937& random, bool classFile) {
    static const char* const idKeys[] = {"VID", "vid", "DID", "did", "Vid", "VIDx",
                                         "D",   "#",   "",    "dId", "VI"};
    static const char* const classKeys[] = {"0C0300", "0C0000", "000000", "#",      "1",
                                            "0x01",   "-1",     "ff",     "zz0000", ""};
    static const char* const numbers[] = {"1",    "01", "0x1",    "0001",      "2",
                                          "ffff", "-1", "g",      "fffffffff", "0x",
                                          "FFFF", "00", "FF0000", "FFFF00"};
    static const char* const words[] = {"Name", "VID", "ID", "two words",   "\t", " ",
                                        "x",    "\r",  "Zz", "DID 1 Inner", "#"};
    std::string text;
    const int lines = 20 + static_cast<int>(random() % 60);
    for (int line = 0; line < lines; ++line) {
        std::string part = classFile ? classKeys[random() % 10] : idKeys[random() % 11];
        part += " \t=x"[random() % 4];
        part += numbers[random() % 14];
        if (classFile) {
            part += " ";
            part += numbers[random() % 14];
        }
        const int extra = static_cast<int>(random() % 5);
        for (int w = 0; w < extra; ++w) {
            part += " ";
            part += words[random() % 11];
        }
        if (random() % 15 == 0) part += std::string(200 + random() % 200, 'L');
        // A NUL ends the line's text as a C string sees it.
        if (random() % 10 == 0) part.insert(random() % (part.size() + 1), 1, '\0');
        if (random() % 10 == 0) part += '\r';
        text += part + '\n';
    }
    if (random() % 3 == 0) text += classFile ? "000000 000000 No break" : "VID 1 No break";
    return text;
}

}  // namespace

TEST(PciNameIndex, ShippedFilesAnswerAsTheLiteralReading) {
    ScratchDirectory dir;
    for (const char* name : {kPciIdFileName, kPciClassFileName})
        std::filesystem::copy_file(std::filesystem::path(TARVOLENT_BIN_DIR) / name, name);
    // Vendors and devices spread over the file, each device under its own
    // vendor and under another.
    std::vector<uint32_t> vendors = {0x0000, 0xFFFF, 0x8086};
    Pairs devices = {{0x8086, 0x100e}, {0x0000, 0x0000}};
    uint32_t vendor = 0;
    int line = 0;
    for (const std::string& piece : FgetsPieces(kPciIdFileName)) {
        unsigned id = 0;
        if (std::sscanf(piece.c_str(), "VID %x", &id) == 1) vendor = id;
        if (++line % 97 != 0) continue;
        vendors.push_back(vendor);
        if (std::sscanf(piece.c_str(), "DID %x", &id) == 1) {
            devices.emplace_back(vendor, id);
            devices.emplace_back(vendors[vendors.size() / 2], id);
        }
    }
    std::vector<uint32_t> classes = {0x000000, 0xFFFFFF, 0x0C0330, 0x060400, 0x060480};
    for (const std::string& piece : FgetsPieces(kPciClassFileName)) {
        unsigned value = 0;
        if (std::sscanf(piece.c_str(), "%x", &value) == 1) classes.push_back(value | 0x000001);
    }
    ExpectLiteral(vendors, devices, classes, "shipped");
}

TEST(PciNameIndex, RandomFilesAndEditsBetweenLookupsAnswerAsTheLiteralReading) {
    ScratchDirectory dir;
    MessageRecorder messages;
    ScopedOverride<MessageBoxService> messageBox(messages);
    std::mt19937 random(31337);
    const time_t past = time(nullptr) - 3600;
    const std::vector<uint32_t> ids = {0x0, 0x1, 0x2, 0xFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFE};
    const std::vector<uint32_t> classes = {0x000000, 0x000001, 0x0C0300, 0x0C0320,
                                           0xFFFFFF, 0x0000FF, 0xFF0000, 0x010203};
    for (int round = 0; round < 150; ++round) {
        // Rewritten in place, replaced, or grown: each must be seen at once.
        const std::string idText = RandomFile(random, false);
        const std::string classText = RandomFile(random, true);
        if (round % 3 == 1) {
            dir.Write("next.txt", idText);
            std::filesystem::rename("next.txt", kPciIdFileName);
        } else {
            dir.Write(kPciIdFileName, idText);
        }
        dir.Write(kPciClassFileName, classText);
        // Stamped in the past, as files usually are, the indexes are kept
        // between lookups; stamped now, they are built at every lookup.
        if (round % 4 != 3) {
            const timespec stamp[2] = {{past + round, 0}, {past + round, 0}};
            ASSERT_EQ(utimensat(AT_FDCWD, kPciIdFileName, stamp, 0), 0);
            ASSERT_EQ(utimensat(AT_FDCWD, kPciClassFileName, stamp, 0), 0);
        }
        ExpectLiteral(ids, AllPairs(ids), classes, "round " + std::to_string(round));
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST(PciNameIndex, AnIndexIsKeptOnlyWhileTheFileIsTheSame) {
    ScratchDirectory dir;
    const auto writeAt = [&](const std::string& text, time_t when) {
        dir.Write(kPciIdFileName, text);
        const timespec times[2] = {{when, 0}, {when, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, kPciIdFileName, times, 0), 0);
    };
    const time_t past = time(nullptr) - 3600;
    writeAt("VID 1111 Alpha\n", past);
    EXPECT_EQ(LookupVendorName(0x1111), "Alpha");
    // Same size, inode and modification time: the file counts as unchanged,
    // and the index built from it still answers.
    writeAt("VID 1111 Omega\n", past);
    EXPECT_EQ(LookupVendorName(0x1111), "Alpha");
    ForgetPciIdIndex();
    EXPECT_EQ(LookupVendorName(0x1111), "Omega");
    // A newer modification time, of one nanosecond, is another file.
    const timespec later[2] = {{past, 1}, {past, 1}};
    dir.Write(kPciIdFileName, "VID 1111 Gamma\n");
    ASSERT_EQ(utimensat(AT_FDCWD, kPciIdFileName, later, 0), 0);
    EXPECT_EQ(LookupVendorName(0x1111), "Gamma");
    // Stamped no earlier than it was read: a write in the same clock tick
    // would keep the stamp, so such a file is read again every time.
    const time_t future = time(nullptr) + 3600;
    writeAt("VID 1111 Delta\n", future);
    EXPECT_EQ(LookupVendorName(0x1111), "Delta");
    writeAt("VID 1111 Sigma\n", future);
    EXPECT_EQ(LookupVendorName(0x1111), "Sigma");
    std::filesystem::remove(kPciIdFileName);
    EXPECT_EQ(LookupVendorName(0x1111), "");
}

// A listing looks at each file once, at its first lookup; the next one
// looks again.
TEST(PciNameIndex, AHeldScopeLooksAtEachFileOnce) {
    ScratchDirectory dir;
    dir.Write(kPciIdFileName, "VID 1111 Alpha\n");
    {
        const DescriptionFilesHeld held;
        EXPECT_EQ(LookupVendorName(0x1111), "Alpha");
        dir.Write(kPciIdFileName, "VID 1111 Omega, longer\n");
        EXPECT_EQ(LookupVendorName(0x1111), "Alpha");
    }
    EXPECT_EQ(LookupVendorName(0x1111), "Omega, longer");
    std::filesystem::remove(kPciIdFileName);
    {
        const DescriptionFilesHeld held;
        EXPECT_EQ(LookupVendorName(0x1111), "");
        dir.Write(kPciIdFileName, "VID 1111 Beta\n");
        EXPECT_EQ(LookupVendorName(0x1111), "");
    }
    EXPECT_EQ(LookupVendorName(0x1111), "Beta");
}

TEST(PciNameIndex, AFailingReadIsReportedAtEveryLookup) {
    ScratchDirectory dir;
    MessageRecorder messages;
    ScopedOverride<MessageBoxService> messageBox(messages);
    ASSERT_EQ(mkdir(kPciClassFileName, 0700), 0);
    EXPECT_EQ(ClassName(0x010000), "");
    EXPECT_EQ(ClassName(0x010000), "");
    EXPECT_EQ(messages.messages.size(), 2u);
    ASSERT_EQ(rmdir(kPciClassFileName), 0);
    dir.Write(kPciClassFileName, "010000 FF0000 Mass storage\n");
    EXPECT_EQ(ClassName(0x010000), "Mass storage");
    EXPECT_EQ(messages.messages.size(), 2u);
}
