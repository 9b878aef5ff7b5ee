// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>
#include <string>

#include "app/docking/SizingBarModel.h"

class CDockBar;
class CDockSite;
class QSettings;

// A bar that docks at any side of the frame or floats, and whose inner edges
// the user drags to resize it. Sizing bars sharing a row share its length
// and thickness. The border around the client rectangle stands in for the
// non-client area: strips, close box and the handle that moves the bar.
class CSizingControlBar : public QWidget {
    Q_OBJECT
  public:
    CSizingControlBar();
    ~CSizingControlBar() override;

    virtual bool Create(const QString& windowName, QWidget* parent, QSize defaultSize,
                        bool hasGripper, int id, unsigned style);
    virtual void RestoreSizes(QSettings& settings, const std::string& profileName);
    virtual void StoreSizes(QSettings& settings, const std::string& profileName) const;

    int Id() const { return m_nID; }
    unsigned BarStyle() const { return m_dwStyle; }
    void SetBarStyle(unsigned style) { m_dwStyle = style; }
    // Sides the bar may dock at; all four unless told otherwise.
    void EnableDocking(bool enable) { m_bDockable = enable; }
    bool CanDock() const { return m_bDockable; }
    SizingBarModel& Model() { return m_model; }
    const SizingBarModel& Model() const { return m_model; }
    // The client rectangle in the bar's own coordinates.
    QRect ClientRect() const { return m_clientRect; }

    // Called by the docking layer when the bar changes its parent.
    void AttachTo(CDockSite& site, CDockBar* dockBar);
    CDockBar* DockBar() const { return m_pDockBar; }
    // The size a docked layout gives the bar; fits the row once per request
    // from the frame.
    QSize CalcDynamicLayout(int length, unsigned mode);
    QSize CalcFixedLayout(bool stretch, bool horizontal);
    // New geometry from the docking layer; recomputes the border.
    void PlaceAt(const QRect& geometry);
    // Refreshes the close box's hot and pressed states from the cursor.
    void OnUpdateCmdUI();
    // The client size the bar's contents need to show whole; invalid when
    // the bar does not know.
    virtual QSize ContentSize() const { return {}; }

  protected:
    virtual bool OnCreate();
    // The client rectangle changed; children follow it.
    virtual void OnSize(const QRect& clientRect);
    virtual void BeginEdgeDrag(int code);
    virtual void EndEdgeDrag();
    virtual void UpdateEdgeDrag(QPoint globalPos);
    virtual void PaintGripper(class QPainter& painter, const QRect& clientRect);

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void RecalcNonClient();
    DockRect ScreenRect() const;
    int HitTestAt(QPoint globalPos) const;
    std::vector<SizingBarModel*> RowSizingBars() const;
    void PaintCloseButton(QPainter& painter);
    void PaintBorders(QPainter& painter, QRect& rect);

    SizingBarModel m_model;
    int m_nID = 0;
    unsigned m_dwStyle = 0;
    bool m_bDockable = true;
    QRect m_clientRect;
    CDockSite* m_pDockSite = nullptr;
    CDockBar* m_pDockBar = nullptr;
    // A press on the border that may become a drag of the whole bar.
    bool m_bBarPressed = false;
    QPoint m_barPressPos;
    bool m_bClosePressed = false;
};
