// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

#include "AppTestHarness.h"
#include "app/CChildFrame.h"
#include "app/CFunctionTreeBar.h"
#include "app/CMainFrame.h"
#include "app/docking/CDockBar.h"
#include "app/docking/CDockSite.h"
#include "app/docking/CMiniDockFrame.h"
#include "app/docking/CMiniFrameCaption.h"
#include "app/docking/MiniFrameGeometry.h"

namespace {

// Mouse events in the bar's own coordinates, as the window system sends
// them to the bar that holds the mouse.
class SizingControlBarWidgetTest : public AppTest {
  protected:
    CSizingControlBar& Bar() { return Frame().FunctionTreeBar(); }

    void Send(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pos, Bar().mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&Bar(), &event);
    }
    void Press(QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
        Send(QEvent::MouseButtonPress, pos, button, button);
    }
    void Move(QPoint pos) { Send(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint pos) {
        Send(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
        ProcessEvents();
    }
    void DoubleClick(QPoint pos) {
        Send(QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
        ProcessEvents();
    }
};

}  // namespace

TEST_F(SizingControlBarWidgetTest, DraggingTheInnerEdgeResizesWithinBounds) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    const int pane = Frame().MdiClient().width();
    const QPoint edge(Bar().width() - 3, Bar().height() / 2);

    Press(edge);
    EXPECT_TRUE(Bar().Model().dragging);
    Move(edge + QPoint(60, 0));
    Release(edge + QPoint(60, 0));
    EXPECT_FALSE(Bar().Model().dragging);
    EXPECT_EQ(Bar().width(), 240);
    EXPECT_EQ(Frame().MdiClient().width(), pane - 60);

    // Past the minimum the bar stops at 33.
    const QPoint moved(Bar().width() - 3, edge.y());
    Press(moved);
    Move(moved - QPoint(1000, 0));
    Release(moved - QPoint(1000, 0));
    EXPECT_EQ(Bar().width(), 33);

    // A right-click ends the drag with the size reached; later moves do nothing.
    const QPoint narrow(Bar().width() - 3, edge.y());
    Press(narrow);
    Move(narrow + QPoint(20, 0));
    Press(narrow + QPoint(20, 0), Qt::RightButton);
    ProcessEvents();
    EXPECT_FALSE(Bar().Model().dragging);
    Move(narrow + QPoint(90, 0));
    ProcessEvents();
    EXPECT_EQ(Bar().width(), 53);

    // The border outside the strips is no edge: nothing is resized there.
    Press(QPoint(2, edge.y()));
    EXPECT_FALSE(Bar().Model().dragging);
    Release(QPoint(2, edge.y()));
    EXPECT_EQ(Bar().width(), 53);
}

TEST_F(SizingControlBarWidgetTest, DoubleClickFloatsTheBarInItsOwnCaptionedFrame) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    const int pane = Frame().MdiClient().width();
    DoubleClick(QPoint(2, 40));
    auto* mini = qobject_cast<CMiniDockFrame*>(Bar().parentWidget());
    ASSERT_NE(mini, nullptr);
    EXPECT_EQ(mini->windowTitle(), "My Bar");
    EXPECT_TRUE(mini->isWindow());
    // Its caption is its own, not the window manager's.
    EXPECT_TRUE(mini->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Bar().DockBar(), nullptr);
    EXPECT_FALSE(Bar().Model().IsDocked());
    // As big as it was created, or as its tree needs where that is more.
    const QSize floating = QSize(180, 80).expandedTo(Bar().ContentSize() + QSize(10, 10));
    EXPECT_EQ(Bar().size(), floating);
    const MiniFrameGeometry& geometry = mini->Geometry();
    EXPECT_EQ(Bar().geometry().top(), MiniFrameGeometry::kBorder + geometry.CaptionHeight());
    EXPECT_EQ(mini->size(), floating + QSize(6, 6 + geometry.CaptionHeight()));
    EXPECT_EQ(Frame().MdiClient().width(), pane + 180);

    // The floating frame never makes the bar smaller than 33 x 32.
    mini->resize(10, 5);
    ProcessEvents();
    EXPECT_EQ(Bar().Model().sizeFloat, (DockSize{33, 32}));
    EXPECT_EQ(Bar().size(), QSize(33, 32));

    // The close box answers only while docked; a double-click goes back.
    EXPECT_EQ(Bar().Model().HitTest(Bar().Model().windowRect, {Bar().Model().windowRect.left + 20,
                                                               Bar().Model().windowRect.top + 4}),
              hit::Default);
    DoubleClick(QPoint(2, 2));
    EXPECT_EQ(Bar().parentWidget(), Frame().DockSite().DockBar(dock::Left));
    EXPECT_EQ(Bar().width(), 180);
    EXPECT_EQ(Frame().MdiClient().width(), pane);
}

TEST_F(SizingControlBarWidgetTest, BarsDockAtEverySideAndTheCloseBoxHidesThem) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    CDockSite& site = Frame().DockSite();
    for (int side : {dock::Top, dock::Right, dock::Bottom, dock::Left}) {
        site.DockControlBar(Bar(), side);
        ProcessEvents();
        EXPECT_EQ(Bar().parentWidget(), site.DockBar(side));
        EXPECT_EQ(Bar().Model().dockSide, side);
    }
    // Horizontal bars span the frame and are as thick as the bar's height.
    site.DockControlBar(Bar(), dock::Top);
    ProcessEvents();
    EXPECT_EQ(Bar().height(), 80);
    EXPECT_EQ(site.DockBar(dock::Top)->height(), 80);
    // The row overlaps the dock bar's borders by 2 pixels at each end.
    EXPECT_EQ(Bar().width(), site.width() + 4);
    EXPECT_EQ(Bar().x(), -2);
    EXPECT_EQ(Bar().Model().edgeFlags, edge::Bottom);

    // Dragging the whole bar by its border to the right edge docks it there.
    const QPoint border(Bar().width() / 2, 2);
    Press(border);
    const QPoint rightEdge = Bar().mapFromGlobal(site.mapToGlobal(QPoint(site.width() - 5, 300)));
    Release(rightEdge);
    EXPECT_EQ(Bar().parentWidget(), site.DockBar(dock::Right));
    EXPECT_EQ(Bar().Model().edgeFlags, edge::Left);

    // No gripper, so no glyph is drawn, yet the box on the border is there.
    const DockPoint origin = Bar().Model().closeButton.origin;
    const QPoint box(origin.x + 5, origin.y);
    EXPECT_EQ(box.y(), 4);
    Press(box);
    EXPECT_TRUE(Bar().Model().closeButton.pressed || !Bar().underMouse());
    Release(box);
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_EQ(site.DockBar(dock::Right)->width(), 0);
    site.ShowControlBar(Bar(), true);
    ProcessEvents();
    EXPECT_TRUE(Bar().isVisible());
    EXPECT_EQ(site.DockBar(dock::Right)->width(), 180);
}

TEST_F(SizingControlBarWidgetTest, DockingAndFloatingKeepTheActiveWindowAndItsFocus) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    Frame().activateWindow();
    // Two windows, each with a field that takes the focus; the second is
    // active and the user was typing into it.
    QLineEdit* fields[2] = {};
    for (QLineEdit*& field : fields) {
        App().OpenFeature("PCI Read/Write");
        ProcessEvents();
        field = new QLineEdit(Frame().ActiveChildFrame()->GetActiveView());
        field->show();
        field->setFocus();
        ProcessEvents();
    }
    CChildFrame* active = Frame().ActiveChildFrame();
    ASSERT_EQ(active->GetActiveView(), fields[1]->parentWidget());
    QMdiSubWindow* other = Frame().MdiClient().subWindowList()[0];
    QWidget* otherFocus = other->focusWidget();
    CFunctionTreeBar& bar = Frame().FunctionTreeBar();
    bar.Tree()->setFocus();
    ProcessEvents();
    ASSERT_TRUE(bar.Tree()->hasFocus());

    DoubleClick(QPoint(2, 40));
    ASSERT_NE(qobject_cast<CMiniDockFrame*>(Bar().parentWidget()), nullptr);
    EXPECT_EQ(Frame().ActiveChildFrame(), active);
    EXPECT_EQ(active->focusWidget(), fields[1]);
    EXPECT_EQ(other->focusWidget(), otherFocus);
    // The tree keeps the focus in its floating frame; the main frame's is
    // back in the window the user was in.
    EXPECT_EQ(Bar().window()->focusWidget(), bar.Tree());
    EXPECT_EQ(Frame().focusWidget(), fields[1]);

    DoubleClick(QPoint(2, 2));
    ASSERT_EQ(Bar().parentWidget(), Frame().DockSite().DockBar(dock::Left));
    EXPECT_EQ(Frame().ActiveChildFrame(), active);
    EXPECT_EQ(active->focusWidget(), fields[1]);

    // Docked bars moved or hidden while the tree has the focus: the same.
    bar.Tree()->setFocus();
    ProcessEvents();
    Frame().DockSite().DockControlBar(bar, dock::Right);
    ProcessEvents();
    EXPECT_EQ(Frame().ActiveChildFrame(), active);
    EXPECT_TRUE(bar.Tree()->hasFocus());
    Frame().DockSite().ShowControlBar(bar, false);
    ProcessEvents();
    EXPECT_EQ(Frame().ActiveChildFrame(), active);
    EXPECT_EQ(Frame().focusWidget(), fields[1]);
}

TEST_F(SizingControlBarWidgetTest, TheFloatingFramesCaptionMovesDocksAndClosesIt) {
    ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
    CDockSite& site = Frame().DockSite();
    site.FloatControlBar(Bar(), site.mapToGlobal(QPoint(300, 200)));
    ProcessEvents();
    auto* mini = qobject_cast<CMiniDockFrame*>(Bar().parentWidget());
    ASSERT_NE(mini, nullptr);
    QWindow* window = mini->windowHandle();
    ASSERT_NE(window, nullptr);
    CMiniFrameCaption& caption = mini->Caption();
    // Real mouse events through the frame's window, at screen points.
    const auto local = [&](QPoint global) { return mini->mapFromGlobal(global); };
    const QPoint grip = caption.mapToGlobal(QPoint(20, caption.height() / 2));

    // A drag of the strip moves the frame along; dropped in the open, it
    // stays where it went, floating.
    const QPoint start = mini->pos();
    QTest::mousePress(window, Qt::LeftButton, {}, local(grip));
    QTest::mouseMove(window, local(grip + QPoint(30, 40)));
    QTest::mouseRelease(window, Qt::LeftButton, {}, local(grip + QPoint(30, 40)));
    ProcessEvents();
    EXPECT_EQ(Bar().parentWidget(), mini);
    EXPECT_EQ(mini->pos(), start + QPoint(30, 40));

    // Dropped on the frame's right edge, it docks there.
    const QPoint grip2 = caption.mapToGlobal(QPoint(20, caption.height() / 2));
    const QPoint rightEdge = site.mapToGlobal(QPoint(site.width() - 5, site.height() / 2));
    QTest::mousePress(window, Qt::LeftButton, {}, local(grip2));
    QTest::mouseMove(window, local(grip2 + QPoint(10, 0)));
    QTest::mouseMove(window, local(rightEdge));
    QTest::mouseRelease(window, Qt::LeftButton, {}, local(rightEdge));
    ProcessEvents();
    EXPECT_EQ(Bar().parentWidget(), site.DockBar(dock::Right));
    EXPECT_EQ(Bar().Model().dockSide, dock::Right);

    // Floated again, a double-click on the strip docks it back on the right.
    site.ToggleDocking(Bar());
    ProcessEvents();
    mini = qobject_cast<CMiniDockFrame*>(Bar().parentWidget());
    ASSERT_NE(mini, nullptr);
    window = mini->windowHandle();
    const QPoint strip = mini->Caption().mapTo(mini, QPoint(20, mini->Caption().height() / 2));
    QTest::mouseDClick(window, Qt::LeftButton, {}, strip, 1000);
    ProcessEvents();
    EXPECT_EQ(Bar().parentWidget(), site.DockBar(dock::Right));

    // Its close box hides the bar; its border resizes it.
    site.ToggleDocking(Bar());
    ProcessEvents();
    mini = qobject_cast<CMiniDockFrame*>(Bar().parentWidget());
    ASSERT_NE(mini, nullptr);
    window = mini->windowHandle();
    const QSize before = Bar().size();
    const QPoint corner(mini->width() - 1, mini->height() - 1);
    QTest::mousePress(window, Qt::LeftButton, {}, corner, 1000);
    QTest::mouseMove(window, corner + QPoint(25, 15));
    QTest::mouseRelease(window, Qt::LeftButton, {}, corner + QPoint(25, 15));
    ProcessEvents();
    EXPECT_EQ(Bar().size(), before + QSize(25, 15));
    EXPECT_EQ(Bar().Model().sizeFloat, (DockSize{before.width() + 25, before.height() + 15}));

    const DockRect box =
        mini->Geometry().CloseBoxRect({mini->Caption().width(), mini->Caption().height()});
    const QPoint close = mini->Caption().mapTo(mini, QPoint(box.left + 2, box.top + 2));
    QTest::mouseClick(window, Qt::LeftButton, {}, close, 1000);
    ProcessEvents();
    EXPECT_FALSE(Bar().isVisible());
    EXPECT_FALSE(Bar().Model().visible);
    EXPECT_FALSE(mini->isVisible());
}

TEST(MiniFrameGeometry, PartsBorderAndResizing) {
    const MiniFrameGeometry geometry(16);
    EXPECT_EQ(geometry.FrameSizeFor({100, 50}), (DockSize{106, 72}));
    EXPECT_EQ(geometry.BarSizeFor({106, 72}), (DockSize{100, 50}));
    EXPECT_EQ(geometry.CaptionRect({106, 72}), (DockRect{3, 3, 103, 19}));
    EXPECT_EQ(geometry.BarRect({106, 72}), (DockRect{3, 19, 103, 69}));
    EXPECT_EQ(geometry.CloseBoxRect({100, 16}), (DockRect{86, 2, 98, 14}));
    EXPECT_EQ(geometry.EdgesAt({106, 72}, {0, 0}), edge::Left | edge::Top);
    EXPECT_EQ(geometry.EdgesAt({106, 72}, {105, 40}), edge::Right);
    EXPECT_EQ(geometry.EdgesAt({106, 72}, {50, 71}), edge::Bottom);
    EXPECT_EQ(geometry.EdgesAt({106, 72}, {3, 3}), 0u);
    // The dragged edges move, never past the minimum; the others stay.
    const DockRect start{10, 10, 110, 80};
    EXPECT_EQ(MiniFrameGeometry::Resized(start, edge::Left, {-5, 9}, {40, 40}),
              (DockRect{5, 10, 110, 80}));
    EXPECT_EQ(MiniFrameGeometry::Resized(start, edge::Right | edge::Bottom, {-90, -60}, {40, 40}),
              (DockRect{10, 10, 50, 50}));
    EXPECT_EQ(MiniFrameGeometry::Resized(start, edge::Top, {0, 50}, {40, 40}),
              (DockRect{10, 40, 110, 80}));
}
