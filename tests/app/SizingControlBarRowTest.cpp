// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMouseEvent>

#include "AppTestHarness.h"
#include "app/CFunctionTreeBar.h"
#include "app/CMainFrame.h"
#include "app/docking/CDockBar.h"
#include "app/docking/CDockSite.h"

namespace {

void SendMouse(QWidget& target, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, target.mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

void DragFromTo(QWidget& target, QPoint from, QPoint to) {
    SendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton);
    SendMouse(target, QEvent::MouseMove, to, Qt::LeftButton);
    SendMouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// The tree bar and a second sizing bar, with a gripper, in one column at the
// left.
class SizingControlBarRowTest : public AppTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(StartApp(), CBorealixApp::Startup::Running);
        ASSERT_TRUE(second_.Create("Second", &Frame(), QSize(150, 120), true, 0xE821, 0x50002800));
        Frame().DockSite().DockControlBar(second_, dock::Left, &Tree());
        ProcessEvents();
    }
    CFunctionTreeBar& Tree() { return Frame().FunctionTreeBar(); }
    CDockBar& Column() { return *Frame().DockSite().DockBar(dock::Left); }

    CSizingControlBar second_;
};

}  // namespace

TEST_F(SizingControlBarRowTest, BarsOfAColumnShareItsLengthAndThickness) {
    EXPECT_EQ(Column().Model().VisibleRows().size(), 1u);
    EXPECT_EQ(Tree().y() + Tree().height() - 2, second_.y());
    EXPECT_EQ(Tree().height() + second_.height() - 4, Column().height() - 2);
    EXPECT_EQ(Tree().width(), 180);
    EXPECT_EQ(second_.width(), 180);
    EXPECT_EQ(Tree().Model().edgeFlags, edge::Right | edge::Bottom);
    EXPECT_EQ(second_.Model().edgeFlags, edge::Right | edge::Top);

    // The edge between them moves length from one to the other.
    const int treeHeight = Tree().height();
    const int secondHeight = second_.height();
    const QPoint between(90, Tree().height() - 3);
    DragFromTo(Tree(), between, between + QPoint(0, 30));
    ProcessEvents();
    EXPECT_EQ(Tree().height(), treeHeight + 30);
    EXPECT_EQ(second_.height(), secondHeight - 30);
    EXPECT_EQ(Tree().y() + Tree().height() - 2, second_.y());

    // The outer edge gives both the new thickness.
    const QPoint outer(second_.width() - 3, 60);
    DragFromTo(second_, outer, outer + QPoint(45, 0));
    ProcessEvents();
    EXPECT_EQ(second_.width(), 225);
    EXPECT_EQ(Tree().width(), 225);
    EXPECT_EQ(Column().width(), 225);
}

TEST_F(SizingControlBarRowTest, OnlyABarWithAGripperDrawsGripAndCloseGlyph) {
    const QColor face = second_.palette().color(QPalette::Button);
    const QColor text = second_.palette().color(QPalette::ButtonText);
    const QImage withGripper = second_.grab().toImage();
    const DockPoint close = second_.Model().closeButton.origin;
    EXPECT_EQ(close, (DockPoint{second_.width() - 16, 4}));
    EXPECT_EQ(withGripper.pixelColor(close.x + 2, close.y + 2), text);
    EXPECT_EQ(withGripper.pixelColor(close.x + 5, close.y + 1), face);
    // Two grip lines across the top, left of the close box.
    EXPECT_NE(withGripper.pixelColor(20, 6), face);
    EXPECT_NE(withGripper.pixelColor(20, 9), face);

    const QImage plain = Tree().grab().toImage();
    const DockPoint box = Tree().Model().closeButton.origin;
    for (int x = box.x; x < box.x + 11; ++x) EXPECT_EQ(plain.pixelColor(x, box.y), face) << x;
    EXPECT_EQ(plain.pixelColor(20, 2), face);
}

TEST_F(SizingControlBarRowTest, ABarShownAgainKeepsItsLengthWhileTheOthersAbsorbTheChange) {
    CDockSite& site = Frame().DockSite();
    site.ShowControlBar(second_, false);
    ProcessEvents();
    EXPECT_FALSE(second_.isVisible());
    EXPECT_EQ(Tree().height(), Column().height());
    const int length = second_.Model().sizeVert.cy;
    site.ShowControlBar(second_, true);
    ProcessEvents();
    EXPECT_EQ(second_.height(), length);
    EXPECT_FALSE(second_.Model().holdSizeOnce);
    EXPECT_EQ(Tree().height() + second_.height() - 4, Column().height() - 2);

    // Dropping a bar onto another one of a column joins that bar's row; the
    // left border of a bar at the right is its sizing edge, the top one is not.
    const QPoint border(90, 2);
    site.DockControlBar(second_, dock::Right);
    ProcessEvents();
    EXPECT_EQ(Column().Model().CollectRowSizingBars(&Tree().Model()).size(), 1u);
    DragFromTo(second_, border, second_.mapFromGlobal(Tree().mapToGlobal(QPoint(90, 40))));
    ProcessEvents();
    EXPECT_EQ(second_.DockBar(), &Column());
    EXPECT_EQ(Column().Model().CollectRowSizingBars(&Tree().Model()).size(), 2u);
}
