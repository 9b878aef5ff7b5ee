// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <string>

#include "app/docking/CSizingControlBar.h"

class QTreeWidget;

// The docking bar with the machine and the functions this edition offers; a
// double-click on a function asks for a window of it.
class CFunctionTreeBar : public CSizingControlBar {
    Q_OBJECT
  public:
    static constexpr int kTreeId = 107;

    QTreeWidget* Tree() const { return m_wndTree; }
    // "NAME (N-Processor System)"; an unreadable name leaves its part empty.
    static std::string RootLabel();
    // Every shown item whole, without scroll bars.
    QSize ContentSize() const override;

  signals:
    // The text of the item double-clicked, or empty where there is none.
    void FeatureRequested(const std::string& name);

  protected:
    bool OnCreate() override;
    void OnSize(const QRect& clientRect) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTreeWidget* m_wndTree = nullptr;
    QFont m_font;
};
