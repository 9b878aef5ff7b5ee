// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/docking/DockBarModel.h"
#include "app/docking/SizingBarList.h"
#include "app/docking/SizingBarModel.h"

namespace {

// A sizing bar as its window registers it.
struct RowBar : SizingBarModel {
    explicit RowBar(int side, DockSize size = {200, 200}) {
        dockSide = side;
        sizeHorz = sizeVert = sizeFloat = size;
        SizingBarList::Add(this);
    }
};

// A bar of another kind, e.g. a tool bar, in the same row.
struct OtherBar : DockedBar {
    int length = 50;
    bool IsVisibleInLayout() const override { return true; }
    int WindowLength(bool) const override { return length; }
};

std::vector<int> Lengths(const std::vector<RowBar*>& bars, bool horizontal) {
    std::vector<int> lengths;
    for (const RowBar* bar : bars) lengths.push_back(bar->Length(horizontal));
    return lengths;
}

}  // namespace

TEST(DockRowTest, EdgeFlagsFollowTheDockSideAndThePlaceInTheRow) {
    const DockRect window{100, 50, 300, 130};
    struct Case {
        int side;
        int index;
        int count;
        unsigned flags;
    };
    const Case cases[] = {
        {dock::Top, 0, 1, edge::Bottom},
        {dock::Bottom, 0, 1, edge::Top},
        {dock::Left, 0, 1, edge::Right},
        {dock::Right, 0, 1, edge::Left},
        {dock::Top, 0, 2, edge::Bottom | edge::Right},
        {dock::Top, 1, 2, edge::Bottom | edge::Left},
        {dock::Left, 1, 3, edge::Right | edge::Top | edge::Bottom},
        {dock::Right, 2, 3, edge::Left | edge::Top},
        {0, 0, 1, 0},
        {dock::Left, -1, 0, edge::Right},
    };
    for (const Case& c : cases) {
        RowBar bar(c.side);
        bar.edgeFlags = edge::All;
        EXPECT_EQ(bar.CalcClientRect(window, c.index, c.count), window.Shrunk(5));
        EXPECT_EQ(bar.edgeFlags, c.flags) << std::hex << c.side << " " << c.index;
    }

    // The gripper takes room at the row's start; the close box sits beside it.
    RowBar top(dock::Top);
    top.gripperSize = 12;
    EXPECT_EQ(top.CalcClientRect(window, 0, 1), (DockRect{117, 55, 295, 125}));
    EXPECT_EQ(top.closeButton.origin, (DockPoint{4, 4}));
    RowBar left(dock::Left);
    left.gripperSize = 12;
    EXPECT_EQ(left.CalcClientRect(window, 0, 1), (DockRect{105, 67, 295, 125}));
    EXPECT_EQ(left.closeButton.origin, (DockPoint{184, 4}));
}

TEST(DockRowTest, HitTestFindsStripsThenTheCloseBoxThenClient) {
    const DockRect window{0, 0, 180, 400};
    RowBar bar(dock::Left);
    bar.CalcClientRect(window, 0, 1);
    EXPECT_EQ(bar.HitTest(window, {178, 200}), hit::Right);
    EXPECT_EQ(bar.HitTest(window, {2, 200}), hit::Client);  // no sizing edge there
    EXPECT_FALSE(bar.EdgeRectFor(window, hit::Left));
    // Without a gripper the box is not drawn but is still there, on the border.
    EXPECT_EQ(bar.closeButton.origin, (DockPoint{164, 4}));
    EXPECT_EQ(bar.HitTest(window, {166, 4}), hit::Close);
    EXPECT_EQ(bar.HitTest(window, {2, 2}), hit::Client);
    // The right strip is tested first, and reaches the box's right columns.
    EXPECT_EQ(bar.HitTest(window, {176, 4}), hit::Right);

    // A vertical bar's top and bottom strips stop short of the corners.
    bar.CalcClientRect(window, 1, 2);
    EXPECT_EQ(*bar.EdgeRectFor(window, hit::Top), (DockRect{5, 0, 175, 5}));
    EXPECT_EQ(bar.HitTest(window, {2, 2}), hit::Client);
    EXPECT_EQ(bar.HitTest(window, {50, 2}), hit::Top);

    bar.dockSide = 0;
    EXPECT_EQ(bar.HitTest(window, {166, 4}), hit::Default);

    // Only a hit on the box makes it hot or pressed; a change is reported once.
    EXPECT_TRUE(bar.UpdateCloseButton(hit::Close, false));
    EXPECT_TRUE(bar.closeButton.hot);
    EXPECT_FALSE(bar.UpdateCloseButton(hit::Close, false));
    EXPECT_TRUE(bar.UpdateCloseButton(hit::Close, true));
    EXPECT_TRUE(bar.closeButton.pressed);
    EXPECT_FALSE(bar.closeButton.hot);
    EXPECT_TRUE(bar.UpdateCloseButton(hit::Client, true));
    EXPECT_FALSE(bar.closeButton.pressed || bar.closeButton.hot);
}

TEST(DockRowTest, RowWalksSkipPlaceholdersRowEndsAndOtherBars) {
    DockBarModel dockBar;
    RowBar a(dock::Top), b(dock::Top), c(dock::Top);
    OtherBar tool;
    dockBar.AddRow(&a);
    dockBar.InsertPlaceholder(0xE821);
    dockBar.AddRow(&b);
    dockBar.InsertAfter(&b, &tool);
    dockBar.InsertAfter(&tool, &c);
    const RowBounds bounds = dockBar.FindRowBounds(&c);
    EXPECT_EQ(bounds.first, 5);
    EXPECT_EQ(bounds.self, 7);
    EXPECT_EQ(bounds.last, 7);
    EXPECT_EQ(dockBar.CollectRowSizingBars(&c), (std::vector<SizingBarModel*>{&b, &c}));
    EXPECT_EQ(dockBar.CollectRowSizingBars(&a), (std::vector<SizingBarModel*>{&a}));
    c.visible = false;
    EXPECT_EQ(dockBar.CollectRowSizingBars(&b), (std::vector<SizingBarModel*>{&b}));
    c.visible = true;

    // Floating leaves a slot behind; coming back takes it again.
    dockBar.ReplaceWithPlaceholder(&a, 0xE820);
    EXPECT_EQ(dockBar.IndexOf(&a), -1);
    EXPECT_TRUE(dockBar.ReplacePlaceholder(0xE820, &a));
    EXPECT_EQ(dockBar.IndexOf(&a), 1);
    EXPECT_FALSE(dockBar.ReplacePlaceholder(0xE820, &a));
    dockBar.Remove(&a);
    EXPECT_EQ(dockBar.VisibleRows().size(), 1u);
}

TEST(DockRowTest, FittingSharesTheRowPixelByPixelAndTheThickness) {
    DockBarModel dockBar;
    RowBar a(dock::Top, {100, 60}), b(dock::Top, {100, 90}), c(dock::Top, {100, 70});
    OtherBar tool;
    dockBar.AddRow(&a);
    dockBar.InsertAfter(&a, &tool);
    dockBar.InsertAfter(&tool, &b);
    dockBar.InsertPlaceholder(7);
    dockBar.InsertAfter(&b, &c);

    // 400 less the tool bar's 48 leaves 352 for three bars of 98 each.
    EXPECT_TRUE(dockBar.FitRowToLength(a, 400, true));
    EXPECT_EQ(Lengths({&a, &b, &c}, true), (std::vector<int>{120, 119, 119}));
    for (RowBar* bar : {&a, &b, &c}) EXPECT_EQ(bar->sizeHorz.cy, 90);

    // Shrinking stops at the minimum and takes the rest from the others.
    a.sizeHorz.cx = 33;
    EXPECT_TRUE(dockBar.FitRowToLength(a, 250, true));
    EXPECT_EQ(Lengths({&a, &b, &c}, true), (std::vector<int>{33, 87, 88}));

    // A bar just shown keeps its length once; the next fitting moves it again.
    b.holdSizeOnce = true;
    EXPECT_TRUE(dockBar.FitRowToLength(a, 256, true));
    EXPECT_EQ(Lengths({&a, &b, &c}, true), (std::vector<int>{36, 87, 91}));
    EXPECT_FALSE(b.holdSizeOnce);
    EXPECT_TRUE(dockBar.FitRowToLength(a, 259, true));
    EXPECT_EQ(Lengths({&a, &b, &c}, true), (std::vector<int>{37, 88, 92}));

    // Every bar held: the hold is dropped and the fitting goes on.
    a.holdSizeOnce = b.holdSizeOnce = c.holdSizeOnce = true;
    EXPECT_TRUE(dockBar.FitRowToLength(a, 262, true));
    EXPECT_EQ(Lengths({&a, &b, &c}, true), (std::vector<int>{38, 89, 93}));
}

TEST(DockRowTest, ARowWhoseMinimumsDoNotFitLetsItsBarGo) {
    DockBarModel dockBar;
    RowBar a(dock::Left), b(dock::Left);
    dockBar.AddRow(&a);
    dockBar.InsertAfter(&a, &b);
    // Needed: 2 + 2 * (32 - 2) = 62.
    EXPECT_FALSE(dockBar.FitRowToLength(a, 61, false));
    ASSERT_EQ(dockBar.VisibleRows().size(), 2u);
    EXPECT_EQ(dockBar.VisibleRows()[0], (std::vector<DockedBar*>{&b}));
    EXPECT_EQ(dockBar.VisibleRows()[1], (std::vector<DockedBar*>{&a}));
    // Alone in its row it stays where it is.
    EXPECT_FALSE(dockBar.FitRowToLength(a, 20, false));
    EXPECT_EQ(dockBar.VisibleRows().size(), 2u);
    EXPECT_TRUE(dockBar.FitRowToLength(a, 300, false));
    EXPECT_EQ(a.sizeVert.cy, 300 + 2);

    // Bars of a column overlap by their borders.
    dockBar.InsertAfter(&b, &a);
    dockBar.Remove(&a);
    dockBar.InsertAfter(&b, &a);
    const std::vector<RowPlacement> placed = dockBar.LineUpRow(&a, false);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].start, -2);
    EXPECT_EQ(placed[1].start, -2 + b.sizeVert.cy - 2);
}

TEST(DockRowTest, EdgeDragsStayWithinTheirBoundsAndMoveTheNeighbour) {
    RowBar a(dock::Top, {300, 80}), b(dock::Top, {300, 60});
    b.sizeMin = {50, 40};
    const std::vector<SizingBarModel*> row{&a, &b};
    a.windowRect = {0, 0, 300, 80};
    a.CalcClientRect(a.windowRect, 0, 2);

    // The edge between them: the neighbour gives what it has above its minimum.
    a.BeginEdgeDrag(hit::Right, row, {800, 600});
    EXPECT_EQ(a.dragStartPoint, (DockPoint{297, 40}));
    EXPECT_EQ(a.dragMin, (DockSize{33, 40}));
    EXPECT_EQ(a.dragMax, (DockSize{550, 100}));
    EXPECT_TRUE(a.UpdateEdgeDrag({337, 40}, row));
    EXPECT_EQ(a.sizeHorz.cx, 340);
    EXPECT_EQ(b.sizeHorz.cx, 260);
    EXPECT_TRUE(a.UpdateEdgeDrag({2000, 40}, row));
    EXPECT_EQ(a.sizeHorz.cx, 550);
    EXPECT_EQ(b.sizeHorz.cx, 50);
    EXPECT_FALSE(a.UpdateEdgeDrag({2100, 40}, row));
    EXPECT_TRUE(a.UpdateEdgeDrag({-500, 40}, row));
    EXPECT_EQ(a.sizeHorz.cx, 33);
    EXPECT_EQ(b.sizeHorz.cx, 567);
    a.EndEdgeDrag();
    EXPECT_FALSE(a.dragging);
    EXPECT_EQ(a.sizeHorz.cx, 33);  // ending keeps the size reached

    // The outer edge: the row's thickness, up to what the pane leaves.
    a.BeginEdgeDrag(hit::Bottom, row, {800, 100});
    EXPECT_FALSE(a.IsAlongRowEdge());
    EXPECT_EQ(a.dragMax, (DockSize{33 + 796, 80 + 96}));
    EXPECT_TRUE(a.UpdateEdgeDrag({10, 77 + 30}, row));
    EXPECT_EQ(a.sizeHorz.cy, 110);
    EXPECT_EQ(b.sizeHorz.cy, 110);
    EXPECT_TRUE(a.UpdateEdgeDrag({10, 77 + 500}, row));
    EXPECT_EQ(a.sizeHorz.cy, 176);
    // The largest minimum thickness of the row bounds it from below.
    EXPECT_TRUE(a.UpdateEdgeDrag({10, -100}, row));
    EXPECT_EQ(a.sizeHorz.cy, 40);
    EXPECT_EQ(b.sizeHorz.cy, 40);
}

TEST(DockRowTest, LayoutQueriesKeepTheMinimum) {
    RowBar bar(0, {180, 80});
    EXPECT_EQ(bar.FloatingLayout(10, 0), (DockSize{33, 80}));
    EXPECT_EQ(bar.FloatingLayout(5, layout::LengthIsHeight), (DockSize{33, 32}));
    EXPECT_EQ(bar.FloatingLayout(400, layout::Commit), (DockSize{33, 32}));
    EXPECT_EQ(bar.FloatingLayout(400, layout::LengthIsHeight), (DockSize{33, 400}));

    bar.sizeVert = {10, 500};
    EXPECT_EQ(bar.FixedLayoutSize(false, false), (DockSize{33, 500}));
    EXPECT_EQ(bar.FixedLayoutSize(true, false), (DockSize{10, 32767}));
    EXPECT_EQ(bar.FixedLayoutSize(true, true), (DockSize{32767, 80}));

    bar.OnWindowPosChanging(dock::Right, false);
    EXPECT_FALSE(bar.holdSizeOnce);
    bar.OnWindowPosChanging(dock::Right, true);
    EXPECT_TRUE(bar.holdSizeOnce);
    bar.holdSizeOnce = false;
    bar.OnWindowPosChanging(0x1234, true);
    EXPECT_FALSE(bar.holdSizeOnce);
}

TEST(DockRowTest, FittingARowWithNothingThatCanMoveEnds) {
    DockBarModel dockBar;
    RowBar hidden(dock::Top, {100, 60});
    hidden.visible = false;
    dockBar.AddRow(&hidden);
    EXPECT_TRUE(dockBar.FitRowToLength(hidden, 400, true));
    EXPECT_EQ(hidden.sizeHorz.cx, 100);
}
