// SPDX-License-Identifier: MIT
#include "app/docking/SizingBarProfile.h"

#include <QSettings>
#include <algorithm>
#include <cstdio>

#include "app/docking/SizingBarModel.h"

namespace {

struct SizeKeys {
    const char* cx;
    const char* cy;
    DockSize SizingBarModel::*size;
};
constexpr SizeKeys kSizeKeys[] = {
    {"sizeHorzCX", "sizeHorzCY", &SizingBarModel::sizeHorz},
    {"sizeVertCX", "sizeVertCY", &SizingBarModel::sizeVert},
    {"sizeFloatCX", "sizeFloatCY", &SizingBarModel::sizeFloat},
};

int ReadInt(QSettings& settings, const char* key, int current) {
    bool ok = false;
    const int value = settings.value(key, current).toInt(&ok);
    return ok ? value : current;
}

}  // namespace

std::string SizingBarSection(const std::string& profileName, int barId) {
    char section[256];
    std::snprintf(section, sizeof section, "%s-SCBar-%d", profileName.c_str(), barId);
    return section;
}

void RestoreSizingBarSizes(SizingBarModel& bar, QSettings& settings, const std::string& section) {
    settings.beginGroup(QString::fromStdString(section));
    for (const SizeKeys& keys : kSizeKeys) {
        DockSize& size = bar.*keys.size;
        size.cx = std::max(ReadInt(settings, keys.cx, size.cx), bar.sizeMin.cx);
        size.cy = std::max(ReadInt(settings, keys.cy, size.cy), bar.sizeMin.cy);
    }
    settings.endGroup();
}

void StoreSizingBarSizes(const SizingBarModel& bar, QSettings& settings,
                         const std::string& section) {
    settings.beginGroup(QString::fromStdString(section));
    for (const SizeKeys& keys : kSizeKeys) {
        settings.setValue(keys.cx, (bar.*keys.size).cx);
        settings.setValue(keys.cy, (bar.*keys.size).cy);
    }
    settings.endGroup();
}
