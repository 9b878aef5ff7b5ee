#include <QApplication>
#include <QMdiArea>
#include <QMouseEvent>

#include "AppTestHarness.h"
#include "app/CDockBar.h"
#include "app/CDockSite.h"
#include "app/CFunctionTreeBar.h"
#include "app/CMainFrame.h"
#include "app/CMiniDockFrame.h"

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
    EXPECT_EQ(Bar().DockBar(), nullptr);
    EXPECT_FALSE(Bar().Model().IsDocked());
    EXPECT_EQ(mini->size(), QSize(180, 80));
    EXPECT_EQ(Frame().MdiClient().width(), pane + 180);

    // The floating frame never makes the bar smaller than 33 x 32.
    mini->resize(10, 5);
    ProcessEvents();
    EXPECT_EQ(Bar().Model().sizeFloat, (DockSize{33, 32}));
    EXPECT_EQ(mini->size(), QSize(33, 32));

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
