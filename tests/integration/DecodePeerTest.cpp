// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/LspciDumpWriter.h"
#include "sim/MachineFileLoader.h"
#include "support/CliTest.h"
#include "support/CommandOutput.h"
#include "support/PciPeer.h"

// The capabilities and the link, payload and MSI facts that `decode` finds,
// against what the peer's -vvv prints of the same functions.
namespace {

using nlohmann::json;

struct Capability {
    bool extended;
    unsigned offset;
    int id;  // -1: the peer's name is not in the table below
    friend bool operator==(const Capability&, const Capability&) = default;
};

struct Function {
    std::vector<Capability> capabilities;
    std::map<std::string, std::string> facts;  // "LnkSta.Speed" -> "8GT/s"
};

using Machine = std::map<std::string, Function>;

// How the peer names the capabilities whose IDs we compare.
struct PeerName {
    bool extended;
    const char* prefix;
    int id;
};
constexpr PeerName kPeerNames[] = {
    {false, "Power Management", 0x01},
    {false, "Vital Product Data", 0x03},
    {false, "MSI:", 0x05},
    {false, "PCI-X", 0x07},
    {false, "Vendor Specific Information", 0x09},
    {false, "Subsystem:", 0x0D},
    {false, "Express", 0x10},
    {false, "MSI-X:", 0x11},
    {false, "SATA HBA", 0x12},
    {false, "PCI Advanced Features", 0x13},
    {true, "Advanced Error Reporting", 0x01},
    {true, "Device Serial Number", 0x03},
    {true, "Power Budgeting", 0x04},
    {true, "Vendor Specific Information", 0x0B},
    {true, "Access Control Services", 0x0D},
    {true, "Alternative Routing-ID Interpretation", 0x0E},
    {true, "Address Translation Service", 0x0F},
    {true, "Single Root I/O Virtualization", 0x10},
    {true, "Resizable BAR", 0x15},
    {true, "Transaction Processing Hints", 0x17},
    {true, "Latency Tolerance Reporting", 0x18},
    {true, "Secondary PCI Express", 0x19},
    {true, "Process Address Space ID", 0x1B},
    {true, "Downstream Port Containment", 0x1D},
    {true, "L1 PM Substates", 0x1E},
    {true, "Precision Time Measurement", 0x1F},
    {true, "Designated Vendor-Specific", 0x23},
    {true, "Physical Layer 16.0 GT/s", 0x26},
};

int PeerId(bool extended, const std::string& name) {
    std::smatch unknown;
    if (std::regex_match(name, unknown, std::regex(R"(#([0-9a-f]{2}).*)")))
        return std::stoi(unknown[1], nullptr, 16);
    if (std::regex_match(name, unknown, std::regex(R"(Extended Capability ID 0x([0-9a-f]+).*)")))
        return std::stoi(unknown[1], nullptr, 16);
    for (const PeerName& peer : kPeerNames) {
        if (peer.extended == extended && name.rfind(peer.prefix, 0) == 0) return peer.id;
    }
    return -1;
}

// "unknown" and our "reserved (N)" say the same of a speed; a width the
// peer prints as xN we call reserved when no link has it.
std::string Normal(const std::string& key, std::string text) {
    text = text.substr(0, text.find(" ("));
    if (key.find("Speed") != std::string::npos && (text == "unknown" || text == "reserved"))
        return "unknown";
    return text;
}

void PeerFact(Function& function, const std::string& key, const std::string& line,
              const std::string& pattern) {
    std::smatch match;
    if (std::regex_search(line, match, std::regex(pattern)))
        function.facts[key] = Normal(key, match[1]);
}

Machine PeerView(const std::string& text) {
    Machine machine;
    Function* current = nullptr;
    const std::regex heading(R"(^(?:0000:)?((?:[0-9a-f]{4}:)?[0-9a-f]{2}:[0-9a-f]{2}\.[0-7]) .*)");
    const std::regex capability(R"(^\tCapabilities: \[([0-9a-f]+)( v\d+)?\] (.*)$)");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, heading)) {
            current = &machine[match[1]];
            continue;
        }
        if (!current) continue;
        if (std::regex_match(line, match, capability)) {
            const std::string name = match[3];
            if (name.rfind("<chain", 0) == 0) continue;
            const bool extended = match[2].matched;
            current->capabilities.push_back(
                {extended, static_cast<unsigned>(std::stoul(match[1], nullptr, 16)),
                 PeerId(extended, name)});
            if (name.rfind("MSI: ", 0) == 0) {
                PeerFact(*current, "MSI.Enable", name, R"(Enable([+-]))");
                PeerFact(*current, "MSI.Count", name, R"(Count=(\d+/\d+))");
            }
            if (name.rfind("MSI-X: ", 0) == 0)
                PeerFact(*current, "MSIX.Count", name, R"(Count=(\d+))");
            continue;
        }
        for (const char* reg : {"LnkCap", "LnkSta"}) {
            if (line.find(std::string("\t") + reg + ":\t") == std::string::npos) continue;
            PeerFact(*current, std::string(reg) + ".Speed", line, R"(Speed ([^,]+))");
            PeerFact(*current, std::string(reg) + ".Width", line, R"(Width (x\d+))");
        }
        if (line.find("\tDevCap:\t") != std::string::npos)
            PeerFact(*current, "DevCap.MaxPayload", line, R"(MaxPayload (\d+ bytes))");
        // Device Control's sizes, a line or two below its first.
        if (line.find("MaxReadReq") != std::string::npos) {
            PeerFact(*current, "DevCtl.MaxPayload", line, R"(MaxPayload (\d+ bytes))");
            PeerFact(*current, "DevCtl.MaxReadReq", line, R"(MaxReadReq (\d+ bytes))");
        }
    }
    return machine;
}

std::string Vectors(const std::string& text) {
    return text.substr(0, text.find(' '));
}

Machine OurView(const json& decoded, const Machine& peer) {
    Machine machine;
    for (const json& f : decoded) {
        Function& function = machine[f["bdf"]];
        const auto seen = peer.find(f["bdf"]);
        std::map<std::string, std::string> texts;
        for (const json& capability : f["capabilities"]) {
            const bool extended = capability["extended"];
            const unsigned offset = capability["offset"];
            int id = capability["id"];
            // Where the peer's name is not in the table, only offsets compare.
            if (seen != peer.end()) {
                for (const Capability& theirs : seen->second.capabilities) {
                    if (theirs.extended == extended && theirs.offset == offset && theirs.id < 0)
                        id = -1;
                }
            }
            function.capabilities.push_back({extended, offset, id});
            for (const json& reg : capability["registers"])
                for (const json& field : reg["fields"]) texts[field["name"]] = field["text"];
        }
        for (const char* key : {"LnkCap.Speed", "LnkCap.Width", "LnkSta.Speed", "LnkSta.Width",
                                "DevCap.MaxPayload", "DevCtl.MaxPayload", "DevCtl.MaxReadReq"}) {
            const auto text = texts.find(std::string("PCIe.") + key);
            if (text == texts.end()) continue;
            std::string value = Normal(key, text->second);
            if (value == "reserved" && std::string(key).find("Width") != std::string::npos) {
                const std::string& raw = text->second;
                value = "x" + raw.substr(raw.find('(') + 1, raw.size() - raw.find('(') - 2);
            }
            function.facts[key] = value;
        }
        if (texts.count("MSI.Ctrl.Enable")) {
            function.facts["MSI.Enable"] = texts["MSI.Ctrl.Enable"] == "yes" ? "+" : "-";
            function.facts["MSI.Count"] = Vectors(texts["MSI.Ctrl.MultiMsgEnable"]) + "/" +
                                          Vectors(texts["MSI.Ctrl.MultiMsgCap"]);
        }
        if (texts.count("MSIX.Ctrl.TableSize"))
            function.facts["MSIX.Count"] = Vectors(texts["MSIX.Ctrl.TableSize"]);
    }
    return machine;
}

class DecodePeerTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        if (std::string why = LspciUnavailable(); !why.empty()) GTEST_SKIP() << why;
    }

    // Every function of ours against the peer's; the count compared.
    size_t Compare(const std::string& decodeArguments, const std::optional<std::string>& machine,
                   const std::string& peerText) {
        const CliRun run = Run(decodeArguments, machine);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const Machine peer = PeerView(peerText);
        const Machine ours = OurView(json::parse(run.out, nullptr, false), peer);
        size_t compared = 0;
        for (const auto& [bdf, theirs] : peer) {
            const auto mine = ours.find(bdf);
            if (mine == ours.end()) {
                ADD_FAILURE() << bdf << " is not in our decode";
                continue;
            }
            EXPECT_EQ(mine->second.capabilities, theirs.capabilities) << bdf;
            EXPECT_EQ(mine->second.facts, theirs.facts) << bdf;
            ++compared;
        }
        return compared;
    }
};

TEST_F(DecodePeerTest, BuiltinMachineAsTheDumpThePeerReads) {
    MachineLoad load = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(load.Ok()) << load.error;
    const std::string dump = (Scratch() / "builtin.lspci").string();
    std::ofstream(dump) << LspciDumpText(load.machine->Functions());
    const std::string peer = CommandOutput("lspci -F '" + dump + "' -vvv 2>/dev/null");
    EXPECT_EQ(Compare("decode --all --json", dump, peer), load.machine->Functions().size());
}

// Read only: decode reads, and the peer runs as the same user.
TEST_F(DecodePeerTest, ThisMachinesFunctions) {
    if (!HasPciFunctions()) GTEST_SKIP() << "no PCI functions on this machine";
    if (std::string why = OwnDriverUnavailable(); !why.empty()) GTEST_SKIP() << why;
    const std::string peer = CommandOutput("lspci -vvv 2>/dev/null");
    if (peer.find("<access denied>") != std::string::npos)
        GTEST_SKIP() << "the peer cannot read every function as this user";
    EXPECT_GT(Compare("decode --all --json", std::nullopt, peer), 0u);
}

}  // namespace
