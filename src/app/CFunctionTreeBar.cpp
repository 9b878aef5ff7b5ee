// SPDX-License-Identifier: MIT
#include "app/CFunctionTreeBar.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cstdio>

#include "hw/SystemFunctions.h"
#include "platform/SystemServices.h"

namespace {
constexpr const char* kFunctionPci = "PCI Read/Write";
}  // namespace

std::string CFunctionTreeBar::RootLabel() {
    char name[256] = {};
    std::snprintf(name, sizeof name, "%s", SystemServices::Current().ComputerName().c_str());
    char label[320];
    std::snprintf(label, sizeof label, "%s (%d-Processor System)", name, ProcessorCount());
    return label;
}

bool CFunctionTreeBar::OnCreate() {
    if (!CSizingControlBar::OnCreate()) return false;
    m_wndTree = new QTreeWidget(this);
    m_wndTree->setProperty("controlId", kTreeId);
    m_wndTree->setHeaderHidden(true);
    m_wndTree->setRootIsDecorated(true);
    // Long names scroll sideways, as a tree control's do, instead of being cut.
    m_wndTree->setTextElideMode(Qt::ElideNone);
    m_wndTree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_wndTree->header()->setStretchLastSection(false);
    m_wndTree->setGeometry(0, 0, 200, 200);

    m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (m_font.family().isEmpty()) m_font = QFont("MS Sans Serif", 8);

    auto* root = new QTreeWidgetItem(m_wndTree, {QString::fromStdString(RootLabel())});
    new QTreeWidgetItem(root, {kFunctionPci});
    m_wndTree->topLevelItem(0)->setExpanded(true);
    m_wndTree->setFont(m_font);
    m_wndTree->viewport()->installEventFilter(this);
    return true;
}

QSize CFunctionTreeBar::ContentSize() const {
    if (!m_wndTree) return {};
    int rows = 0;
    for (QTreeWidgetItemIterator it(m_wndTree); *it; ++it) {
        bool shown = true;
        for (const QTreeWidgetItem* up = (*it)->parent(); up && shown; up = up->parent())
            shown = up->isExpanded();
        rows += shown;
    }
    // Column 0's hint includes the indentation of the deepest item shown.
    const QAbstractItemView& view = *m_wndTree;
    const int frame = 2 * m_wndTree->frameWidth();
    return {view.sizeHintForColumn(0) + frame, rows * std::max(view.sizeHintForRow(0), 1) + frame};
}

void CFunctionTreeBar::OnSize(const QRect& clientRect) {
    if (m_wndTree) m_wndTree->setGeometry(clientRect);
}

bool CFunctionTreeBar::eventFilter(QObject* watched, QEvent* event) {
    if (m_wndTree && watched == m_wndTree->viewport() &&
        event->type() == QEvent::MouseButtonDblClick) {
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        QTreeWidgetItem* item = m_wndTree->itemAt(m_wndTree->viewport()->mapFromGlobal(global));
        emit FeatureRequested(item ? item->text(0).toStdString() : std::string());
    }
    // The tree's own double-click still happens: a root expands or collapses.
    return CSizingControlBar::eventFilter(watched, event);
}
