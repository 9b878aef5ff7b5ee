// SPDX-License-Identifier: MIT
#include <cstdio>

#include "MemoryDumpFixture.h"
#include "hw/DriverChannel.h"

namespace {

using Request = MemoryRequestLog::Request;

// Types a byte into the hex pane of the first line, as two nibbles.
void TypeByte(HexEditModel& hex, uint32_t offset, uint8_t value) {
    hex.LButtonDown((9 + 3 * int(offset)) * 10 + 5, 5, false);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", value);
    hex.Char(uint8_t(digits[0]), false);
    hex.Char(uint8_t(digits[1]), false);
}

class UnwrittenChangesTest : public MemoryDumpTest {
  protected:
    // A dump of 0x10 bytes with the given bytes typed, nothing logged yet.
    void DumpAndType(const char* address, const std::vector<std::pair<uint32_t, uint8_t>>& bytes) {
        if (model.HasUnwrittenChanges()) messages.answers.push_back(MessageAnswer::No);
        ASSERT_TRUE(model.OnDump(address, "10"));
        GiveWindowAPage();
        for (const auto& [offset, value] : bytes) TypeByte(hex, offset, value);
        messages.messages.clear();
        log->requests.clear();
    }
};

}  // namespace

TEST_F(UnwrittenChangesTest, WriteReadsBackAndKeepsMarkedWhatMemoryDidNotTake) {
    struct Case {
        const char* address;
        std::vector<std::pair<uint32_t, uint8_t>> typed;
        const char* message;  // "" when everything took
    };
    // 0x1000 is writable RAM; 0xC0000 a ROM holding 00 01 02 ...
    const Case cases[] = {
        {"1000", {{3, 0xAA}, {4, 0xBB}, {9, 0xCC}}, ""},
        {"C0000",
         {{3, 0xAA}, {4, 0xBB}, {9, 0xCC}},
         "3 changed bytes did not take, first at 000C0003."},
        {"C0000", {{5, 0x05}, {9, 0xCC}}, "1 changed byte did not take, first at 000C0009."},
        {"C0000", {{7, 0x07}}, ""},  // the value memory holds already
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + c.message);
        DumpAndType(c.address, c.typed);
        const bool allTook = *c.message == '\0';
        EXPECT_EQ(model.OnWrite(), allTook);
        const std::vector<Request> writes = log->Writes();
        const size_t requests = log->requests.size();
        EXPECT_EQ(Texts(),
                  allTook ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        const uint32_t base = model.BaseAddress();
        const std::vector<uint8_t> memory = PhysicalBytes(base, 0x10);
        for (const auto& [offset, value] : c.typed) {
            const bool took = memory[offset] == value;
            // What did not take stays red, and the window keeps the typed value.
            EXPECT_EQ(hex.IsModified(offset), !took) << offset;
            EXPECT_EQ(hex.ByteAt(offset), value) << offset;
            if (base == 0xC0000 && value != offset) {
                EXPECT_FALSE(took) << offset;
            }
        }
        EXPECT_EQ(model.HasUnwrittenChanges(), !allTook);
        // Each run is written and read back once.
        EXPECT_FALSE(writes.empty());
        EXPECT_EQ(requests, 2 * writes.size());
    }
}

TEST_F(UnwrittenChangesTest, ChangesAreSettledBeforeADumpOrClearThrowsThemAway) {
    enum class Action { Dump, Clear };
    struct Case {
        const char* address;
        Action action;
        MessageAnswer answer;
        bool goesOn;
        bool written;  // the typed byte reached memory
    };
    const Case cases[] = {
        {"1000", Action::Dump, MessageAnswer::Cancel, false, false},
        {"1000", Action::Dump, MessageAnswer::No, true, false},
        {"1000", Action::Dump, MessageAnswer::Yes, true, true},
        {"1000", Action::Clear, MessageAnswer::Cancel, false, false},
        {"1000", Action::Clear, MessageAnswer::No, true, false},
        {"1000", Action::Clear, MessageAnswer::Yes, true, true},
        // A write that does not take does not go on: the changes would be lost.
        {"C0000", Action::Dump, MessageAnswer::Yes, false, false},
        {"C0000", Action::Clear, MessageAnswer::Yes, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + (c.action == Action::Dump ? " dump " : " clear ") +
                     std::to_string(int(c.answer)));
        DumpAndType(c.address, {{2, 0x5A}});
        // Writable memory starts as zeros again for every case.
        if (std::string(c.address) == "1000") WritePhysicalMemory(0x1002, "\0", 1);
        log->requests.clear();
        messages.answers = {c.answer};
        const bool wentOn = c.action == Action::Dump ? model.OnDump("1010", "8") : model.OnClear();
        EXPECT_EQ(wentOn, c.goesOn);
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_TRUE(messages.messages[0].question);
        EXPECT_EQ(messages.messages[0].text, kWriteChangesQuestion);
        EXPECT_EQ(messages.messages[0].title, MessageTitle());
        EXPECT_EQ(PhysicalBytes(model.BaseAddress() == 0xC0000 ? 0xC0000 : 0x1000, 3)[2] == 0x5A,
                  c.written);
        if (c.goesOn) {
            EXPECT_EQ(model.HasDump(), c.action == Action::Dump);
            EXPECT_FALSE(model.HasUnwrittenChanges());
        } else {
            // Everything as it was: the dump, its range and the red byte.
            EXPECT_TRUE(model.HasDump());
            EXPECT_EQ(model.Size(), 0x10u);
            EXPECT_EQ(hex.ByteAt(2), 0x5A);
            EXPECT_TRUE(hex.IsModified(2));
        }
    }
    // Without changes nothing is asked.
    messages.answers = {MessageAnswer::No};
    ASSERT_TRUE(model.OnDump("1000", "10"));
    messages.messages.clear();
    ASSERT_TRUE(model.OnDump("1000", "10"));
    ASSERT_TRUE(model.OnClear());
    EXPECT_TRUE(messages.messages.empty());
}
