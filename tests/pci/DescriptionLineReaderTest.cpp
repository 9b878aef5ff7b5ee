#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "pci/DescriptionFile.h"
#include "pci/DescriptionLineReader.h"
#include "pci/ScratchDirectory.h"

namespace {

// What a loop of fgets into 256 bytes examines: every line read before the
// end of the file was hit.
std::vector<std::string> FgetsPieces(const std::string& name) {
    std::vector<std::string> pieces;
    std::FILE* file = std::fopen(name.c_str(), "r");
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file) && !std::feof(file)) pieces.push_back(buffer);
    std::fclose(file);
    return pieces;
}

std::vector<std::string> ReaderPieces(const std::string& name,
                                      DescriptionLineReader::Status* last) {
    DescriptionFile file(name);
    DescriptionLineReader reader(file.Descriptor());
    std::vector<std::string> pieces;
    std::string_view piece;
    while ((*last = reader.Next(&piece)) == DescriptionLineReader::Status::Line)
        pieces.emplace_back(piece);
    return pieces;
}

std::string Line(size_t length, char fill) { return std::string(length, fill); }

}  // namespace

TEST(DescriptionLineReader, SeesTheLinesAnFgetsLoopSees) {
    ScratchDirectory dir;
    std::vector<std::string> files = {
        "",
        "no break at all",
        "one\n",
        "one\nlast without break",
        Line(254, 'a') + "\n" + Line(255, 'b') + "\n" + Line(256, 'c') + "\n",
        Line(510, 'd') + "\n" + Line(511, 'e'),
        Line(255, 'f'),
        Line(300, 'g'),
        "\n\n\r\n",
    };
    // Lines of every length across many 64 KiB block boundaries.
    std::mt19937 random(7);
    std::string big;
    while (big.size() < 300000) {
        big += Line(random() % 700, static_cast<char>('A' + random() % 26));
        big += '\n';
    }
    files.push_back(big);
    files.push_back(big + "tail");
    for (size_t i = 0; i < files.size(); ++i) {
        std::string name = "f" + std::to_string(i);
        dir.Write(name, files[i]);
        DescriptionLineReader::Status last{};
        EXPECT_EQ(ReaderPieces(name, &last), FgetsPieces(name)) << "file " << i;
        EXPECT_EQ(last, DescriptionLineReader::Status::End);
    }
}

TEST(DescriptionLineReader, ReportsAFailingReadAsAnError) {
    ScratchDirectory dir;
    ASSERT_EQ(mkdir("folder", 0700), 0);
    DescriptionFile file("folder");
    ASSERT_TRUE(file.IsOpen());
    DescriptionLineReader reader(file.Descriptor());
    std::string_view piece;
    EXPECT_EQ(reader.Next(&piece), DescriptionLineReader::Status::Error);
}

TEST(DescriptionLineReader, TextDropsTheBreakAndACarriageReturnBeforeIt) {
    EXPECT_EQ(PieceTextWithoutBreak("VID 8086 Intel\n", 9), "Intel");
    EXPECT_EQ(PieceTextWithoutBreak("VID 8086 Intel\r\n", 9), "Intel");
    // A cut piece of a long line loses its last character, as the rule says.
    EXPECT_EQ(PieceTextWithoutBreak("10 abcdef", 3), "abcde");
    EXPECT_EQ(PieceTextWithoutBreak("10\n", 3), "");
    EXPECT_EQ(PieceTextWithoutBreak("1\n", 3), "");
    EXPECT_EQ(PieceTextWithoutBreak(std::string_view("10 ab\0cd\n", 9), 3), "a");
}
