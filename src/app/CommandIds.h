// SPDX-License-Identifier: MIT
#pragma once

// Command IDs of the menu, tool bar and feature commands; the QActions of the
// main frame are keyed by them.
namespace cmd {
inline constexpr int FeatureSingleIo = 131;
inline constexpr int FeaturePci = 132;
inline constexpr int FeatureOsInfo = 144;
inline constexpr int FeatureCpuid = 161;
inline constexpr int FeatureCmos = 162;
inline constexpr int FeatureMemoryDump = 163;
inline constexpr int FeatureMsr = 164;
inline constexpr int FeatureHexEditor = 165;
inline constexpr int SaveAll = 166;
inline constexpr int FeatureGroupIo = 173;
inline constexpr int FeatureSmBus = 176;

inline constexpr int Save = 32777;
inline constexpr int SupportWebsite = 32780;
inline constexpr int OnlineHelp = 32781;
inline constexpr int ViewFunctionTree = 32782;

inline constexpr int FileClose = 57602;
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditPaste = 57637;
inline constexpr int WindowCascade = 57650;
inline constexpr int WindowTile = 57651;
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int ViewToolBar = 59392;
inline constexpr int ViewStatusBar = 59393;
}  // namespace cmd

// Control identifier of the function tree bar.
inline constexpr int IDW_FUNCTION_TREE_BAR = 0xE820;

// Resource IDs of the two document templates.
inline constexpr int IDR_PCI_TEMPLATE = 147;
inline constexpr int IDR_MEMORY_TEMPLATE = 132;
