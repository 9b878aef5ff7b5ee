// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/FileText.h"

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tarvolent-cli from the build's program directory; every driver it
// starts is stopped again in TearDown.
class CliTest : public testing::Test {
  protected:
    CliRun Run(const std::string& arguments, std::optional<std::string> machine = {});
    // A file in the test's scratch directory; its path.
    std::string WriteMachine(const std::string& name, const std::string& json);
    const std::filesystem::path& Scratch() const { return scratch_; }

    void SetUp() override;
    void TearDown() override;

  private:
    std::filesystem::path scratch_;
    std::vector<std::optional<std::string>> machines_;
};
