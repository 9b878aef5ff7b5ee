// SPDX-License-Identifier: MIT
#include "app/docking/CSizingControlBar.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <algorithm>

#include "app/docking/BarStyle.h"
#include "app/docking/CDockBar.h"
#include "app/docking/CDockSite.h"
#include "app/docking/CloseGlyph.h"
#include "app/docking/SizingBarList.h"
#include "app/docking/SizingBarProfile.h"

namespace {

constexpr int kGripperSize = 12;

QColor ButtonFace(const QWidget& w) {
    return w.palette().color(QPalette::Button);
}
QColor ButtonHighlight(const QWidget& w) {
    return w.palette().color(QPalette::Light);
}
QColor ButtonShadow(const QWidget& w) {
    return w.palette().color(QPalette::Dark);
}

// Highlight on the top and left sides, shadow on the bottom and right.
void DrawFrame(QPainter& painter, const QRect& r, const QColor& topLeft,
               const QColor& bottomRight) {
    painter.setPen(topLeft);
    painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    painter.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    painter.setPen(bottomRight);
    painter.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

Qt::CursorShape CursorFor(int code) {
    if (code == hit::Left || code == hit::Right) return Qt::SizeHorCursor;
    if (code == hit::Top || code == hit::Bottom) return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

}  // namespace

CSizingControlBar::CSizingControlBar() {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CSizingControlBar::~CSizingControlBar() {
    SizingBarList::Remove(&m_model);
    if (m_pDockBar) m_pDockBar->Undock(*this, false);
}

bool CSizingControlBar::Create(const QString& windowName, QWidget* parent, QSize defaultSize,
                               bool hasGripper, int id, unsigned style) {
    const DockSize size{defaultSize.width(), defaultSize.height()};
    m_model.sizeHorz = m_model.sizeVert = m_model.sizeFloat = size;
    m_dwStyle = style & bar_style::Kept;
    m_model.gripperSize = hasGripper ? kGripperSize : 0;
    m_nID = id;
    setWindowTitle(windowName);
    setObjectName(windowName);
    setParent(parent);
    // Shown once a dock bar or a floating frame holds it.
    hide();
    m_model.visible = (style & bar_style::Visible) != 0;
    return OnCreate();
}

bool CSizingControlBar::OnCreate() {
    // Qt shows window contents while they are dragged, on every platform.
    m_model.fullWindowDrag = true;
    SizingBarList::Add(&m_model);
    return true;
}

void CSizingControlBar::OnSize(const QRect&) {}

void CSizingControlBar::RestoreSizes(QSettings& settings, const std::string& profileName) {
    RestoreSizingBarSizes(m_model, settings, SizingBarSection(profileName, m_nID));
}

void CSizingControlBar::StoreSizes(QSettings& settings, const std::string& profileName) const {
    StoreSizingBarSizes(m_model, settings, SizingBarSection(profileName, m_nID));
}

void CSizingControlBar::AttachTo(CDockSite& site, CDockBar* dockBar) {
    m_pDockSite = &site;
    m_pDockBar = dockBar;
    m_model.OnWindowPosChanging(dockBar ? dockBar->Side() : 0, false);
    RecalcNonClient();
}

QSize CSizingControlBar::CalcDynamicLayout(int length, unsigned mode) {
    if (mode & (layout::DockedHorizontally | layout::DockedVertically)) {
        if (length == -1) m_model.layoutFromFrame = true;
        return CalcFixedLayout(mode & layout::Stretch, mode & layout::Horizontal);
    }
    const DockSize size = m_model.FloatingLayout(length, mode);
    return {size.cx, size.cy};
}

QSize CSizingControlBar::CalcFixedLayout(bool stretch, bool horizontal) {
    if (!stretch && m_pDockBar) {
        const std::vector<SizingBarModel*> row = RowSizingBars();
        DockRect available = m_pDockBar->LayoutRect();
        if (available.IsEmpty() && m_pDockSite)
            available = {0, 0, m_pDockSite->width(), m_pDockSite->height()};
        const int length = horizontal ? available.Width() + 2 : available.Height() - 2;
        if (m_model.visible && m_model.IsDocked() && m_model.layoutFromFrame && !row.empty() &&
            row.front() == &m_model)
            m_pDockBar->Model().FitRowToLength(m_model, length, horizontal);
    }
    m_model.layoutFromFrame = false;
    const DockSize size = m_model.FixedLayoutSize(stretch, horizontal);
    return {size.cx, size.cy};
}

void CSizingControlBar::PlaceAt(const QRect& geometry) {
    setGeometry(geometry);
    RecalcNonClient();
}

std::vector<SizingBarModel*> CSizingControlBar::RowSizingBars() const {
    if (!m_pDockBar) return {};
    return m_pDockBar->Model().CollectRowSizingBars(&m_model);
}

DockRect CSizingControlBar::ScreenRect() const {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    return {origin.x(), origin.y(), origin.x() + width(), origin.y() + height()};
}

void CSizingControlBar::RecalcNonClient() {
    const std::vector<SizingBarModel*> row = RowSizingBars();
    const auto self = std::find(row.begin(), row.end(), &m_model);
    const int index =
        m_model.IsDocked() && self != row.end() ? static_cast<int>(self - row.begin()) : -1;
    m_model.windowRect = ScreenRect();
    const DockRect client =
        m_model.CalcClientRect({0, 0, width(), height()}, index, static_cast<int>(row.size()));
    const QRect clientRect(client.left, client.top, std::max(0, client.Width()),
                           std::max(0, client.Height()));
    if (clientRect != m_clientRect) {
        m_clientRect = clientRect;
        OnSize(m_clientRect);
    }
    update();
}

int CSizingControlBar::HitTestAt(QPoint globalPos) const {
    return m_model.HitTest(ScreenRect(), {globalPos.x(), globalPos.y()});
}

void CSizingControlBar::OnUpdateCmdUI() {
    const bool down = QGuiApplication::mouseButtons() & Qt::LeftButton;
    if (m_model.UpdateCloseButton(HitTestAt(QCursor::pos()), down)) update();
}

void CSizingControlBar::BeginEdgeDrag(int code) {
    grabMouse();
    m_model.windowRect = ScreenRect();
    const QSize pane = m_pDockSite ? m_pDockSite->PaneSize() : QSize();
    m_model.BeginEdgeDrag(code, RowSizingBars(), {pane.width(), pane.height()});
}

void CSizingControlBar::UpdateEdgeDrag(QPoint globalPos) {
    if (m_model.UpdateEdgeDrag({globalPos.x(), globalPos.y()}, RowSizingBars()) && m_pDockSite &&
        m_model.fullWindowDrag)
        m_pDockSite->DelayRecalcLayout();
}

void CSizingControlBar::EndEdgeDrag() {
    m_model.EndEdgeDrag();
    releaseMouse();
    if (m_pDockSite) m_pDockSite->DelayRecalcLayout();
}

bool CSizingControlBar::event(QEvent* event) {
    // Losing the mouse to another window ends a drag with the size reached.
    const QEvent::Type type = event->type();
    if (m_model.dragging &&
        (type == QEvent::WindowDeactivate || type == QEvent::Hide || type == QEvent::FocusOut))
        EndEdgeDrag();
    return QWidget::event(event);
}

void CSizingControlBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RecalcNonClient();
}

void CSizingControlBar::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    m_model.windowRect = ScreenRect();
}

void CSizingControlBar::mousePressEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::RightButton) {
        if (m_model.dragging) EndEdgeDrag();
        return;
    }
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const int code = HitTestAt(global);
    if (m_model.IsDocked() && hit::IsSizingEdge(code)) {
        if (!m_model.dragging) BeginEdgeDrag(code);
    } else if (code == hit::Close) {
        m_bClosePressed = true;
    } else {
        m_bBarPressed = true;
        m_barPressPos = global;
    }
    OnUpdateCmdUI();
}

void CSizingControlBar::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (m_model.dragging) {
        if (QWidget::mouseGrabber() != this) return EndEdgeDrag();
        return UpdateEdgeDrag(global);
    }
    setCursor(CursorFor(HitTestAt(global)));
    OnUpdateCmdUI();
}

void CSizingControlBar::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (m_model.dragging) {
        EndEdgeDrag();
    } else if (m_bClosePressed && HitTestAt(global) == hit::Close) {
        if (m_pDockSite) m_pDockSite->ShowControlBar(*this, false);
    } else if (m_bBarPressed && m_pDockSite &&
               (global - m_barPressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_pDockSite->DropControlBar(*this, global);
    }
    m_bClosePressed = m_bBarPressed = false;
    OnUpdateCmdUI();
}

void CSizingControlBar::mouseDoubleClickEvent(QMouseEvent* event) {
    const int code = HitTestAt(event->globalPosition().toPoint());
    if (event->button() == Qt::LeftButton && (code == hit::Client || code == hit::Default) &&
        m_pDockSite) {
        m_bBarPressed = false;
        m_pDockSite->ToggleDocking(*this);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void CSizingControlBar::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (m_model.UpdateCloseButton(hit::Client, false)) update();
}

void CSizingControlBar::PaintBorders(QPainter& painter, QRect& rect) {
    painter.setPen(ButtonShadow(*this));
    if (m_dwStyle & bar_style::BorderLeft) {
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        rect.setLeft(rect.left() + 1);
    }
    if (m_dwStyle & bar_style::BorderTop) {
        painter.drawLine(rect.topLeft(), rect.topRight());
        rect.setTop(rect.top() + 1);
    }
    painter.setPen(ButtonHighlight(*this));
    if (m_dwStyle & bar_style::BorderRight) {
        painter.drawLine(rect.topRight(), rect.bottomRight());
        rect.setRight(rect.right() - 1);
    }
    if (m_dwStyle & bar_style::BorderBottom) {
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        rect.setBottom(rect.bottom() - 1);
    }
}

void CSizingControlBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setClipRegion(QRegion(rect()) - QRegion(m_clientRect));
    QRect border = rect();
    PaintBorders(painter, border);
    painter.setClipRegion(QRegion(border) - QRegion(m_clientRect));
    painter.fillRect(border, ButtonFace(*this));
    if (m_model.gripperSize != 0 && m_model.IsDocked()) PaintGripper(painter, m_clientRect);
}

void CSizingControlBar::PaintGripper(QPainter& painter, const QRect& clientRect) {
    QRect g = clientRect.adjusted(1, 1, -1, -1);
    const DockPoint origin = m_model.closeButton.origin;
    if (m_model.IsHorizontal()) {
        g.setLeft(g.left() - m_model.gripperSize);
        g.setRight(g.left() + 2);
        g.setTop(origin.y + 14);
    } else {
        g.setTop(g.top() - m_model.gripperSize);
        g.setBottom(g.top() + 2);
        g.setRight(origin.x - 4);
    }
    DrawFrame(painter, g, ButtonHighlight(*this), ButtonShadow(*this));
    g.translate(m_model.IsHorizontal() ? QPoint(3, 0) : QPoint(0, 3));
    DrawFrame(painter, g, ButtonHighlight(*this), ButtonShadow(*this));
    PaintCloseButton(painter);
}

void CSizingControlBar::PaintCloseButton(QPainter& painter) {
    const DockPoint origin = m_model.closeButton.origin;
    const QRect box(origin.x, origin.y, SizingBarModel::kCloseBoxSize - 1,
                    SizingBarModel::kCloseBoxSize - 1);
    if (m_model.closeButton.pressed)
        DrawFrame(painter, box, ButtonShadow(*this), ButtonHighlight(*this));
    else if (m_model.closeButton.hot)
        DrawFrame(painter, box, ButtonHighlight(*this), ButtonShadow(*this));
    DrawCloseGlyph(painter, QPoint(origin.x + 2, origin.y + 2),
                   palette().color(QPalette::ButtonText));
}
