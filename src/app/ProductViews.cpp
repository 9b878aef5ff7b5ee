// SPDX-License-Identifier: MIT
#include "app/ProductViews.h"

#include "app/CBorealixDoc.h"
#include "memory/dump/CBrxMemoryView.h"
#include "pci/CBrxPciView.h"

AppViews ProductViews() {
    AppViews views;
    views.pci = [](CBorealixDoc&, QWidget* parent) { return new CBrxPciView(parent); };
    views.memory = [](CBorealixDoc& document, QWidget* parent) {
        return new CBrxMemoryView(document.GetTitle().toStdString(), parent);
    };
    return views;
}
