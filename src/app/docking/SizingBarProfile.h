// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class QSettings;
class SizingBarModel;

// The bar's three sizes under the section "<profile>-SCBar-<id>".
std::string SizingBarSection(const std::string& profileName, int barId);
// Reads each size with the current one as default, never below the minimum.
void RestoreSizingBarSizes(SizingBarModel& bar, QSettings& settings, const std::string& section);
void StoreSizingBarSizes(const SizingBarModel& bar, QSettings& settings,
                         const std::string& section);
