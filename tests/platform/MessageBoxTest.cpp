// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/MessageBox.h"
#include "platform/Seam.h"
#include "support/MessageRecorder.h"

namespace {

TEST(MessageTitle, StartsAsBorealixAndIsUsedByShowMessage) {
    MessageRecorder recorder;
    ScopedOverride<MessageBoxService> guard(recorder);
    EXPECT_EQ(MessageTitle(), "Borealix");
    ShowMessage("one\n");
    SetMessageTitle("TARVOLENT");
    ShowMessage("two");
    SetMessageTitle("Borealix");
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_EQ(recorder.messages[0].title, "Borealix");
    EXPECT_EQ(recorder.messages[0].text, "one\n");
    EXPECT_EQ(recorder.messages[1].title, "TARVOLENT");
}

TEST(MessageTitle, WithoutAWindowSystemMessagesGoToStderr) {
    testing::internal::CaptureStderr();
    MessageBoxService::Native().Show("Borealix", "Error! Load driver failed!");
    MessageBoxService::Native().Show("TARVOLENT", "two lines\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Borealix: Error! Load driver failed!\nTARVOLENT: two lines\n");
}

}  // namespace
