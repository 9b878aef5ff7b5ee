// SPDX-License-Identifier: MIT
#pragma once

// Which report a PCI window writes: the choice of the selection dialog, or
// kSelectionUnavailable when the dialog could not be made.
inline constexpr int kSaveAllDevices = 1;
inline constexpr int kSaveCurrentDevice = 2;
inline constexpr int kSelectionUnavailable = -1;

inline constexpr const char* kSelectionUnavailableMessage =
    "PCI Save Dialog box could not be created!";

// Asks the user which PCI report to write. Install a double with
// ScopedOverride<PciSaveSelection>.
class PciSaveSelection {
  public:
    virtual ~PciSaveSelection() = default;
    virtual int Ask() = 0;

    // The modal CSavePciDlg; unavailable without a running application.
    static PciSaveSelection& Native();
    static PciSaveSelection& Current();
};
