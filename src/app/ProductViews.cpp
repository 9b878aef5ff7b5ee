#include "app/ProductViews.h"

#include "pci/CBrxPciView.h"

AppViews ProductViews() {
    AppViews views;
    views.pci = [](CBorealixDoc&, QWidget* parent) { return new CBrxPciView(parent); };
    return views;
}
