// SPDX-License-Identifier: MIT
#include "pci/CFieldPane.h"

#include <QKeyEvent>

#include "pcidef/StringPrintf.h"

namespace {

constexpr int kLineRole = Qt::UserRole;

struct PaneColumn {
    const char* heading;
    int width;
};
constexpr PaneColumn kPaneColumns[CFieldPane::kColumns] = {
    {"Field", 190}, {"Bits", 50}, {"Access", 55}, {"Value", 90}, {"Meaning", 220},
};

QStringList Texts(const pcidef::FieldLine& line) {
    const std::string value = line.readable ? pcidef::StringPrintf("0x%X", line.value) : "";
    return {QString::fromStdString(line.name), QString::fromStdString(pcidef::FieldBitsText(line)),
            pcidef::AccessName(line.access), QString::fromStdString(value),
            QString::fromStdString(line.text)};
}

bool Writable(const pcidef::FieldLine& line) {
    return line.readable &&
           (line.access == pcidef::Access::RW || line.access == pcidef::Access::RW1C);
}

void SetWritable(QTreeWidgetItem* item, bool writable) {
    const Qt::ItemFlags flags =
        writable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable;
    if (flags != item->flags()) item->setFlags(flags);
}

}  // namespace

CFieldPane::CFieldPane(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Only the value column opens, and only through EditValue.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(kColumns);
    for (int column = 0; column < kColumns; ++column) {
        headerItem()->setText(column, kPaneColumns[column].heading);
        setColumnWidth(column, kPaneColumns[column].width);
    }
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { EditValue(item); });
    connect(this, &QTreeWidget::itemChanged, this, &CFieldPane::OnItemChanged);
}

void CFieldPane::Show(const std::vector<std::string>& notes,
                      const std::vector<pcidef::FieldLine>& lines) {
    std::vector<std::string> names;
    for (const pcidef::FieldLine& line : lines) names.push_back(line.name);
    m_bShowing = true;
    if (notes != m_shownNotes || names != m_shownNames) {
        Rebuild(notes, lines);
        m_shownNotes = notes;
        m_shownNames = std::move(names);
    } else {
        for (size_t i = 0; i < lines.size(); ++i) {
            const QStringList texts = Texts(lines[i]);
            QTreeWidgetItem* item = FieldItem(i);
            for (int column = 0; column < kColumns; ++column)
                if (item->text(column) != texts[column]) item->setText(column, texts[column]);
            SetWritable(item, Writable(lines[i]));
        }
    }
    m_bShowing = false;
}

void CFieldPane::Rebuild(const std::vector<std::string>& notes,
                         const std::vector<pcidef::FieldLine>& lines) {
    clear();
    for (const std::string& note : notes) {
        auto* item = new QTreeWidgetItem(this, QStringList{QString::fromStdString(note)});
        item->setFirstColumnSpanned(true);
        item->setForeground(kName, palette().brush(QPalette::Disabled, QPalette::Text));
        item->setToolTip(kName, QString::fromStdString(note));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        auto* item = new QTreeWidgetItem(this, Texts(lines[i]));
        item->setData(kName, kLineRole, static_cast<int>(i));
        item->setToolTip(kMeaning, item->text(kMeaning));
        SetWritable(item, Writable(lines[i]));
    }
}

QTreeWidgetItem* CFieldPane::FieldItem(size_t line) const {
    const size_t index = m_shownNotes.size() + line;
    if (line >= m_shownNames.size()) return nullptr;
    return topLevelItem(static_cast<int>(index));
}

void CFieldPane::EditValue(QTreeWidgetItem* item) {
    if (!item || !(item->flags() & Qt::ItemIsEditable)) return;
    setCurrentItem(item, kValue);
    editItem(item, kValue);
}

void CFieldPane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && state() != QAbstractItemView::EditingState) {
        EditValue(currentItem());
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CFieldPane::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_bShowing || column != kValue) return;
    const QVariant line = item->data(kName, kLineRole);
    if (!line.isValid()) return;
    // Queued: the edit may rebuild the pane, and the editor is still closing.
    const int index = line.toInt();
    const QString text = item->text(kValue);
    QMetaObject::invokeMethod(
        this, [this, index, text] { emit FieldEdited(index, text); }, Qt::QueuedConnection);
}
