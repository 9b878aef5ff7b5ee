// SPDX-License-Identifier: MIT
#include "forms/CFormView.h"

#include <QLabel>
#include <QMdiSubWindow>

#include "forms/FormEditCommands.h"

CFormView::CFormView(QSize formUnits, const DialogUnits& units, QWidget* parent)
    : QWidget(parent), m_formUnits(formUnits), m_units(units) {}

QSize CFormView::FormSize() const {
    return {m_units.X(m_formUnits.width()), m_units.Y(m_formUnits.height())};
}

void CFormView::Place(QWidget* control, int x, int y, int width, int height) {
    m_formItems.push_back({control, x, y, width, height});
}

QLabel* CFormView::AddStatic(const char* text, int x, int y, int width, int height) {
    auto* label = new QLabel(text, this);
    Place(label, x, y, width, height);
    return label;
}

void CFormView::FitParentFrame() {
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!frame) {
        resize(FormSize());
        return;
    }
    const QSize decoration = frame->size() - frame->contentsRect().size();
    frame->resize(FormSize() + decoration);
}

bool CFormView::OnUpdateEditCopy() const {
    return FormEditCommands(*this).CanCopy();
}

bool CFormView::OnUpdateEditCut() const {
    return OnUpdateEditCopy();
}

bool CFormView::OnUpdateEditPaste() const {
    return FormEditCommands(*this).CanPaste();
}

void CFormView::OnEditCopy() {
    FormEditCommands(*this).Copy();
}

void CFormView::OnEditCut() {
    FormEditCommands(*this).Cut();
}

void CFormView::OnEditPaste() {
    FormEditCommands(*this).Paste();
}
