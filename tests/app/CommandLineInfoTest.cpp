// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/CommandLineInfo.h"

TEST(CommandLineInfo, MachineOptionAndIgnoredFileNames) {
    CommandLineInfo plain = ParseCommandLine({"tarvolent"});
    EXPECT_FALSE(plain.machine);
    EXPECT_TRUE(plain.error.empty());

    CommandLineInfo both = ParseCommandLine({"tarvolent", "a.log", "--machine", "builtin", "b"});
    EXPECT_EQ(both.machine, "builtin");
    EXPECT_EQ(both.fileNames, (std::vector<std::string>{"a.log", "b"}));
    EXPECT_EQ(ParseCommandLine({"tarvolent", "--machine=m.json"}).machine, "m.json");

    // Other options are parsed and ignored, as the framework's own are.
    EXPECT_TRUE(ParseCommandLine({"tarvolent", "-platform", "--x"}).error.empty());

    EXPECT_FALSE(ParseCommandLine({"tarvolent", "--machine"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"tarvolent", "--machine="}).error.empty());
}
