// SPDX-License-Identifier: MIT
#pragma once

#include <QSize>
#include <QWidget>
#include <vector>

#include "forms/DialogUnits.h"

class QLabel;

// A form view laid out at dialog units. It keeps where each control goes,
// fits its parent frame to the form and serves the edit commands of its
// fields; the derived view creates the controls and lays them out.
class CFormView : public QWidget {
    Q_OBJECT
  public:
    // The form's size in pixels.
    QSize FormSize() const;
    const DialogUnits& Units() const { return m_units; }

    // Found by name through the meta-object, so they stay invokable here.
    Q_INVOKABLE void OnEditCopy();
    Q_INVOKABLE void OnEditCut();
    Q_INVOKABLE void OnEditPaste();
    Q_INVOKABLE bool OnUpdateEditCopy() const;
    Q_INVOKABLE bool OnUpdateEditCut() const;
    Q_INVOKABLE bool OnUpdateEditPaste() const;

  protected:
    // formUnits is the form's size in dialog units.
    CFormView(QSize formUnits, const DialogUnits& units, QWidget* parent);

    struct FormItem {
        QWidget* control;
        int x, y, width, height;
    };

    // Records where a control goes, in dialog units.
    void Place(QWidget* control, int x, int y, int width, int height);
    QLabel* AddStatic(const char* text, int x, int y, int width, int height);
    const std::vector<FormItem>& FormItems() const { return m_formItems; }

    // Widens the characters until every placed control's text, as
    // textWidth(control) measures it, fits its width; before laying out.
    template <class TextWidth>
    void WidenUnitsToFit(TextWidth textWidth) {
        for (const FormItem& item : m_formItems)
            m_units = m_units.WidenedToFit(textWidth(item.control), item.width);
    }

    // Resizes the parent QMdiSubWindow so that the form fits it exactly;
    // without one, the view itself.
    void FitParentFrame();

  private:
    QSize m_formUnits;
    DialogUnits m_units;
    std::vector<FormItem> m_formItems;
};
