// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/docking/SizingBarModel.h"
#include "app/docking/SizingBarProfile.h"

TEST(SizingControlBarProfileTest, SizesGoToTheirSectionAndComeBackNeverBelowTheMinimum) {
    EXPECT_EQ(SizingBarSection("Tarvolent", 0xE820), "Tarvolent-SCBar-59424");
    EXPECT_EQ(SizingBarSection(std::string(400, 'p'), 1).size(), 255u);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("bars.ini");
    SizingBarModel stored;
    stored.sizeHorz = {300, 90};
    stored.sizeVert = {180, 80};
    stored.sizeFloat = {250, 120};
    {
        QSettings settings(path, QSettings::IniFormat);
        StoreSizingBarSizes(stored, settings, "Tarvolent-SCBar-59424");
    }
    {
        QSettings settings(path, QSettings::IniFormat);
        EXPECT_EQ(settings.value("Tarvolent-SCBar-59424/sizeVertCX").toInt(), 180);
        EXPECT_EQ(settings.value("Tarvolent-SCBar-59424/sizeFloatCY").toInt(), 120);
        settings.setValue("Tarvolent-SCBar-59424/sizeHorzCY", 3);
        settings.setValue("Tarvolent-SCBar-59424/sizeFloatCX", 10);
        settings.setValue("Tarvolent-SCBar-59424/sizeFloatCY", "not a number");
    }
    SizingBarModel restored;
    restored.sizeFloat = {77, 66};
    QSettings settings(path, QSettings::IniFormat);
    RestoreSizingBarSizes(restored, settings, "Tarvolent-SCBar-59424");
    EXPECT_EQ(restored.sizeHorz, (DockSize{300, 32}));
    EXPECT_EQ(restored.sizeVert, (DockSize{180, 80}));
    EXPECT_EQ(restored.sizeFloat, (DockSize{33, 66}));

    // A section that is not there leaves the sizes, raised to the minimum.
    SizingBarModel fresh;
    fresh.sizeVert = {20, 500};
    RestoreSizingBarSizes(fresh, settings, "Other-SCBar-1");
    EXPECT_EQ(fresh.sizeVert, (DockSize{33, 500}));
    EXPECT_EQ(fresh.sizeHorz, (DockSize{200, 200}));
}
