// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/DecodeJson.h"
#include "pcidef/ConfigDecoder.h"
#include "sim/MachineFileLoader.h"
#include "support/JsonSchemaCheck.h"

namespace {

using nlohmann::json;

// The checker has to catch what is wrong, or passing it says nothing.
TEST(DecodeJsonTest, TheSchemaCheckCatchesEachKindOfFault) {
    const json schema = CliJsonSchema();
    const json good = {{"bdf", "00:1c.0"}, {"offset", 8}, {"value", 1}};
    EXPECT_EQ(JsonSchemaErrors(schema, "read", good), std::vector<std::string>{});
    EXPECT_EQ(JsonSchemaErrors(schema, good), std::vector<std::string>{});
    struct Case {
        const char* what;
        json document;
        const char* def;
    };
    const Case cases[] = {
        {"a key missing", {{"bdf", "00:1c.0"}, {"offset", 8}}, "read"},
        {"a key too many", {{"bdf", "0"}, {"offset", 8}, {"value", 1}, {"extra", 1}}, "read"},
        {"a string for a number", {{"bdf", "0"}, {"offset", "8"}, {"value", 1}}, "read"},
        {"a fraction for an integer", {{"bdf", "0"}, {"offset", 8.5}, {"value", 1}}, "read"},
        {"an object for an array", json::object(), "scan"},
        {"an array item of a wrong shape", json::array({1}), "decode"},
        {"an access not listed",
         {{"name", "x"}, {"bits", {0, 1}}, {"access", "WO"}, {"value", 1}, {"text", ""}},
         "field"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(JsonSchemaErrors(schema, c.def, c.document).empty()) << c.what;
    EXPECT_FALSE(JsonSchemaErrors(schema, "nosuch", good).empty());
    EXPECT_FALSE(JsonSchemaErrors(json{{"minimum", 1}}, json(0)).empty());
}

// Every builtin function decodes into the schema, with the facts a script
// reads from it in their places.
TEST(DecodeJsonTest, BuiltinFunctionsDecodeIntoTheSchema) {
    const json schema = CliJsonSchema();
    MachineLoad load = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(load.Ok()) << load.error;
    json all = json::array();
    for (const PciFunction& function : load.machine->Functions()) {
        const json one = DecodeJson(function.Address(), pcidef::Decode(function.Config()));
        all.push_back(one);
        EXPECT_EQ(one["config_size"], function.Config().size());
        EXPECT_EQ(one["vendor_id"], function.Config()[0] | function.Config()[1] << 8);
    }
    EXPECT_EQ(JsonSchemaErrors(schema, "decode", all), std::vector<std::string>{});

    // A root port (x1 at 5 GT/s): its link in the PCI Express capability, names as set takes them.
    const auto port =
        std::find_if(all.begin(), all.end(), [](const json& f) { return f["bdf"] == "00:1c.0"; });
    ASSERT_NE(port, all.end());
    bool sawSpeed = false;
    for (const json& capability : (*port)["capabilities"]) {
        if (capability["key"] != "PCIe") continue;
        EXPECT_FALSE(capability["extended"]);
        for (const json& reg : capability["registers"]) {
            EXPECT_GE(reg["offset"], capability["offset"]);
            for (const json& field : reg["fields"]) {
                if (field["name"] != "PCIe.LnkSta.Speed") continue;
                sawSpeed = true;
                EXPECT_EQ(reg["name"], "PCIe.LnkSta");
                EXPECT_EQ(field["bits"], json::array({0, 3}));
                EXPECT_EQ(field["text"], "5GT/s");
            }
        }
    }
    EXPECT_TRUE(sawSpeed);
}

// Dwords that could not be read are null, never the zeros the buffer holds.
TEST(DecodeJsonTest, RefusedDwordsAreNull) {
    std::vector<uint8_t> bytes(256, 0);
    bytes[0] = 0x86;
    bytes[1] = 0x80;
    std::vector<uint8_t> readable(64, 1);
    readable[2] = 0;  // class code and revision
    const json one = DecodeJson({1, 2, 3}, pcidef::Decode(bytes, readable));
    EXPECT_EQ(JsonSchemaErrors(CliJsonSchema(), "decode", json::array({one})),
              std::vector<std::string>{});
    EXPECT_EQ(one["bdf"], "01:02.3");
    EXPECT_EQ(one["vendor_id"], 0x8086);
    EXPECT_TRUE(one["class"].is_null());
    for (const json& reg : one["header"]["registers"]) {
        if (reg["offset"] != 8 && reg["offset"] != 9) continue;
        EXPECT_TRUE(reg["value"].is_null()) << reg.dump();
        for (const json& field : reg["fields"]) EXPECT_EQ(field["text"], "not readable");
    }
}

}  // namespace
