// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "pci/CBrxPciView.h"
#include "platform/Seam.h"
#include "support/InProcessDriver.h"
#include "support/MessageRecorder.h"

// A PCI view shown on its own in a window of the test's, on a simulated
// machine behind the device seam, with its message boxes recorded.
class PciViewFixture : public testing::Test {
  protected:
    void Open(const std::string& machineJson) {
        driver_ = InProcessDriver::FromMachineJson(machineJson);
        ASSERT_TRUE(driver_);
        device_ = std::make_unique<ScopedOverride<DeviceIo>>(*driver_);
        view = new CBrxPciView(&window_);
        window_.show();
        view->show();
        window_.activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override { device_.reset(); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages_.messages) texts.push_back(m.text);
        return texts;
    }
    static void Choose(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    MessageRecorder messages_;
    ScopedOverride<MessageBoxService> messageOverride_{messages_};
    std::unique_ptr<InProcessDriver> driver_;
    std::unique_ptr<ScopedOverride<DeviceIo>> device_;
    QWidget window_;
    CBrxPciView* view = nullptr;
};
