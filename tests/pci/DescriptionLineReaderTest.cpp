// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pci/names/DescriptionFile.h"
#include "pci/names/DescriptionLineReader.h"
#include "pci/names/LineChunkScan.h"
#include "support/FgetsPieces.h"
#include "support/ScratchDirectory.h"

namespace {

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

std::vector<std::string> ReaderPiecesStartingWith(const std::string& name,
                                                  std::string_view letters) {
    DescriptionFile file(name);
    DescriptionLineReader reader(file.Descriptor());
    std::vector<std::string> pieces;
    std::string_view piece;
    while (reader.NextStartingWithLetter(letters, &piece) == DescriptionLineReader::Status::Line)
        pieces.emplace_back(piece);
    return pieces;
}

std::vector<std::string> StartingWith(const std::vector<std::string>& pieces, const char* firsts) {
    std::vector<std::string> kept;
    for (const std::string& piece : pieces)
        if (std::strchr(firsts, piece[0])) kept.push_back(piece);
    return kept;
}

std::string Line(size_t length, char fill) {
    return std::string(length, fill);
}

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
        Line(300, 'x') + "\nV" + Line(100, 'V') + "\n" + Line(254, 'v') + "V\n",
    };
    // Lines of every length, many of them starting with the letters looked for,
    // some long enough to be split with a letter looked for just after a split.
    std::mt19937 random(7);
    const char letters[] = "VvDdxQ";
    std::string big;
    while (big.size() < 300000) {
        size_t length = random() % 4 == 0 ? random() % 800 : random() % 90;
        for (size_t i = 0; i < length; ++i) big += letters[random() % 6];
        big += '\n';
    }
    files.push_back(big);
    files.push_back(big + "tail");
    for (size_t i = 0; i < files.size(); ++i) {
        // Appended, not "f" + std::to_string(i): GCC 12 at -O3 misreads that
        // insert as an overlapping copy (-Wrestrict).
        std::string name = "f";
        name += std::to_string(i);
        dir.Write(name, files[i]);
        DescriptionLineReader::Status last{};
        std::vector<std::string> expected = FgetsPieces(name);
        EXPECT_EQ(ReaderPieces(name, &last), expected) << "file " << i;
        EXPECT_EQ(last, DescriptionLineReader::Status::End);
        EXPECT_EQ(ReaderPiecesStartingWith(name, "v"), StartingWith(expected, "Vv")) << i;
        EXPECT_EQ(ReaderPiecesStartingWith(name, "vd"), StartingWith(expected, "VvDd")) << i;
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

#if defined(__x86_64__)
TEST(DescriptionLineReader, ChunkKernelsAgree) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2";
    std::mt19937 random(11);
    std::string text(2000, ' ');
    for (int round = 0; round < 2000; ++round) {
        // From dense line breaks to none at all, so every way a run ends is met.
        unsigned breakOdds = 2 + round % 300;
        for (char& c : text) c = random() % breakOdds == 0 ? '\n' : "VvDdx\r"[random() % 6];
        for (LineChunkScan scan : {LineChunkScan('v', 'v'), LineChunkScan('v', 'd')}) {
            const char* p = text.data() + random() % 64;
            const char* end = text.data() + text.size();
            LineChunkRun portable = scan.RunPortable(p, end);
            LineChunkRun avx2 = scan.RunAvx2(p, end);
            ASSERT_EQ(portable.kind, avx2.kind) << round;
            ASSERT_EQ(portable.at, avx2.at) << round;
        }
    }
}
#endif
