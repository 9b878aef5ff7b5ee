// SPDX-License-Identifier: MIT
#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "pcidef/DwordDescription.h"

// The pane below the register list: the decoder's notes on the shown
// function, then every field of the selected dword, one per row (name,
// bits, access, value, meaning). The value of a writable field is edited in
// place: a double-click or F2 opens it, and a changed text is handed on.
class CFieldPane : public QTreeWidget {
    Q_OBJECT
  public:
    enum Column { kName, kBits, kAccess, kValue, kMeaning, kColumns };

    explicit CFieldPane(QWidget* parent);

    // Rows for the same notes and fields keep their place, selection and
    // scroll position; only their texts change.
    void Show(const std::vector<std::string>& notes, const std::vector<pcidef::FieldLine>& lines);
    // The row of line `line` of the last lines shown; null beyond them.
    QTreeWidgetItem* FieldItem(size_t line) const;
    // Opens the value of a writable field's row for editing.
    void EditValue(QTreeWidgetItem* item);

  signals:
    // A new text for line `line`, sent once the editor has closed.
    void FieldEdited(int line, const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Rebuild(const std::vector<std::string>& notes,
                 const std::vector<pcidef::FieldLine>& lines);
    void OnItemChanged(QTreeWidgetItem* item, int column);

    bool m_bShowing = false;
    std::vector<std::string> m_shownNotes;
    std::vector<std::string> m_shownNames;
};
