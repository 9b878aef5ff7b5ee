// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QPoint>
#include <QRawFont>
#include <QTimer>
#include <string>

#include "memory/hexedit/HexEditModel.h"

class QMenu;
class QPainter;
struct HexPaintRun;

// The self-drawn hex viewer/editor: translates keys, mouse, wheel, focus and
// scroll-bar actions into HexEditModel calls and paints what the model holds.
class CHexEditWnd : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit CHexEditWnd(QWidget* parent = nullptr);

    HexEditModel& Model() { return m_model; }

    // The owner's operations, as on the model, with the repaint they imply.
    void SetBytesPerLine(uint32_t count);
    void SetColumns(bool showAddress, bool showHex, bool showChar, bool wideAddresses);
    int AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath);
    uint32_t ReadData(uint8_t* buffer, uint32_t offset, uint32_t count);
    uint32_t ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count);
    void ClearModifiedMap();
    bool MarkModified(uint32_t offset);
    bool FindNext(const std::vector<uint8_t>& pattern, bool exact,
                  WorkProgress* progress = nullptr);
    void HideCaret();

    // Puts the selection on the clipboard as "BinaryData" and text.
    void CopySelection();
    // The popup menu of the context-menu input; its commands go to this window.
    QMenu* CreatePopupMenu();
    static QFont HexFont();

    Q_INVOKABLE void OnEditCopy();
    Q_INVOKABLE void OnEditCut();
    Q_INVOKABLE void OnEditSelectAll();
    Q_INVOKABLE bool OnUpdateEditCopy() const;
    Q_INVOKABLE bool OnUpdateEditCut() const;
    Q_INVOKABLE bool OnUpdateEditSelectAll() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int, int) override {}

  private:
    void EnsureLayout();
    void Refresh();
    void SyncScrollBar();
    void OnScrollAction(int action);
    void TypeCharacters(QKeyEvent* event);
    void RestartBlink();
    void DrawRun(QPainter& painter, const HexPaintRun& run, int ascent);

    HexEditModel m_model;
    QFont m_font;
    QRawFont m_rawFont;
    QPoint m_pressPoint;
    bool m_pressed = false;
    bool m_syncing = false;
    int m_wheelDelta = 0;
    QTimer m_blink;
    bool m_blinkOn = true;
};
