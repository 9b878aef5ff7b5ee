// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "cli/ExpositionFormat.h"
#include "support/ExpositionParser.h"

namespace {

const MetricFamily kFamilies[] = {
    {"test_first", "gauge", "First family.\nWith a back\\slash."},
    {"test_second", "counter", "Second family."},
    {"test_empty", "gauge", "No samples."},
};

TEST(ExpositionFormat, HostileLabelValuesReadBackAsTheyWere) {
    const std::string hostile[] = {
        "plain",      "with \"quotes\"", "back\\slash\\",
        "line\nfeed", "\\n literal",     "} 1\nfake_metric 2",
        "",           "end\\\"",         "tab\tand \xC3\xA9",
    };
    std::vector<MetricSample> samples;
    for (const std::string& value : hostile)
        samples.push_back({&kFamilies[0], {{"name", value}, {"bdf", "00:1f.3"}}, 1});
    const ParsedExposition parsed = ParseExposition(FormatExposition(kFamilies, samples));
    ASSERT_TRUE(parsed.errors.empty()) << parsed.errors.front();
    ASSERT_EQ(parsed.samples.size(), std::size(hostile));
    for (size_t i = 0; i < std::size(hostile); ++i) {
        EXPECT_EQ(parsed.samples[i].labels.at("name"), hostile[i]);
        EXPECT_EQ(parsed.samples[i].labels.at("bdf"), "00:1f.3");
    }
    EXPECT_EQ(parsed.help.at("test_first"), kFamilies[0].help);
    EXPECT_TRUE(parsed.Find("fake_metric").empty());
}

// Samples of a family stand together under its HELP and TYPE, in the
// families' order, whatever order they came in.
TEST(ExpositionFormat, FamiliesInOrderEachWithItsSamples) {
    const std::vector<MetricSample> samples = {
        {&kFamilies[1], {}, 3},
        {&kFamilies[0], {{"a", "1"}}, 2.5},
        {&kFamilies[1], {{"b", "2"}}, 64},
        {&kFamilies[0], {{"a", "2"}}, 0},
    };
    EXPECT_EQ(FormatExposition(kFamilies, samples),
              "# HELP test_first First family.\\nWith a back\\\\slash.\n"
              "# TYPE test_first gauge\n"
              "test_first{a=\"1\"} 2.5\n"
              "test_first{a=\"2\"} 0\n"
              "# HELP test_second Second family.\n"
              "# TYPE test_second counter\n"
              "test_second 3\n"
              "test_second{b=\"2\"} 64\n"
              "# HELP test_empty No samples.\n"
              "# TYPE test_empty gauge\n");
}

TEST(ExpositionFormat, ValuesAsCollectorsReadThem) {
    const std::pair<double, const char*> values[] = {
        {0, "0"},   {1, "1"},     {2.5, "2.5"},    {16, "16"},
        {-3, "-3"}, {0.1, "0.1"}, {1e21, "1e+21"}, {4294967295.0, "4294967295"},
    };
    for (const auto& [value, text] : values) EXPECT_EQ(FormatSampleValue(value), text) << text;
}

// The parser itself catches what a collector would refuse.
TEST(ExpositionFormat, TheParserRefusesMalformedText) {
    const char* malformed[] = {
        "test_x 1\n",                                                   // no HELP, no TYPE
        "# HELP test_x x\n# TYPE test_x gauge\ntest_x{a=\"1} 1\n",      // open quote
        "# HELP test_x x\n# TYPE test_x gauge\ntest_x{a=\"\\t\"} 1\n",  // unknown escape
        "# HELP test_x x\n# TYPE test_x gauge\ntest_x one\n",           // not a number
        "# HELP test_x x\n# TYPE test_x gaug\ntest_x 1\n",              // unknown type
        "# HELP test_x x\n# TYPE test_x gauge\ntest_x 1\ntest_x 2\n",   // one series twice
        "# HELP test_x x\n# TYPE test_x gauge\n# HELP test_y y\n# TYPE test_y gauge\n"
        "test_x{a=\"1\"} 1\ntest_y 1\ntest_x{a=\"2\"} 1\n",  // apart
        "# HELP test_x x\n# TYPE test_x gauge\ntest_x 1",    // no last line feed
    };
    for (const char* text : malformed) EXPECT_FALSE(ParseExposition(text).errors.empty()) << text;
}

}  // namespace
