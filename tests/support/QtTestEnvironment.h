// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>
#include <utility>

// One QApplication for the whole test program, gone before the program ends.
// Header only: the support library also links into the programs without Qt.
class QtTestEnvironment : public testing::Environment {
  public:
    explicit QtTestEnvironment(std::string programName) : name_(std::move(programName)) {}

    void SetUp() override {
        // QApplication keeps argc and argv, so they live as long as this.
        argv_[0] = name_.data();
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

  private:
    std::string name_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> application_;
};
