// SPDX-License-Identifier: MIT
#include <QApplication>

#include "pci/CSavePciDlg.h"
#include "pci/PciSaveSelection.h"
#include "platform/Seam.h"

namespace {

class DialogSaveSelection : public PciSaveSelection {
  public:
    int Ask() override {
        // No application object: no dialog can be made.
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return kSelectionUnavailable;
        CSavePciDlg dialog(QApplication::activeWindow());
        return dialog.exec();
    }
};

}  // namespace

PciSaveSelection& PciSaveSelection::Native() {
    static DialogSaveSelection selection;
    return selection;
}

PciSaveSelection& PciSaveSelection::Current() {
    return Seam<PciSaveSelection>::Current();
}
