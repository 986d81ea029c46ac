#include <QtTest>

#include "widgets/hittest.h"

Q_DECLARE_METATYPE(FrameArea)
Q_DECLARE_METATYPE(FrameChild)

namespace QTest {
template <> char *toString(const FrameArea &area)
{
    static const char *const names[] = {"None",       "Caption",    "Left",    "Right",
                                        "Top",        "Bottom",     "TopLeft", "TopRight",
                                        "BottomLeft", "BottomRight"};
    return qstrdup(names[static_cast<int>(area)]);
}
} // namespace QTest

namespace {
const int W = 522; // frame width and height used throughout
const int H = 225;
const int B = 10; // band width
} // namespace

class tst_HitTest : public QObject
{
    Q_OBJECT

private slots:
    void areas_data();
    void areas();
    void smallBands_data();
    void smallBands();
    void productionBandReachesHeaderAndBody();
    void edgesAndCursors();
};

void tst_HitTest::areas_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<FrameChild>("child");
    QTest::addColumn<FrameArea>("expected");

    // Only the bare header and body answer.
    QTest::newRow("side margin, nothing under the point")
        << 2 << 100 << FrameChild::Other << FrameArea::None;
    QTest::newRow("main window widget near the left edge")
        << 6 << 100 << FrameChild::Other << FrameArea::None;
    QTest::newRow("main window widget in a corner")
        << W - 1 << H - 1 << FrameChild::Other << FrameArea::None;
    QTest::newRow("title bar contents") << 200 << 15 << FrameChild::Other << FrameArea::None;

    // Away from all edges the bare areas are a caption.
    QTest::newRow("bare header inside") << 15 << 15 << FrameChild::Header << FrameArea::Caption;
    QTest::newRow("bare body inside") << 200 << 100 << FrameChild::Body << FrameArea::Caption;

    // Row 0 and column 0 never belong to a band; row 1 already does.
    QTest::newRow("header row 0") << 15 << 0 << FrameChild::Header << FrameArea::Caption;
    QTest::newRow("header row 1") << 15 << 1 << FrameChild::Header << FrameArea::Top;
    QTest::newRow("column 0") << 0 << 100 << FrameChild::Body << FrameArea::Caption;
    QTest::newRow("column 1") << 1 << 100 << FrameChild::Body << FrameArea::Left;
    QTest::newRow("row 0 column 0") << 0 << 0 << FrameChild::Header << FrameArea::Caption;

    // Band limits: left is 0 < x < b, top 0 < y < b.
    QTest::newRow("last left column") << B - 1 << 100 << FrameChild::Body << FrameArea::Left;
    QTest::newRow("past the left band") << B << 100 << FrameChild::Body << FrameArea::Caption;
    QTest::newRow("last top row") << 15 << B - 1 << FrameChild::Header << FrameArea::Top;
    QTest::newRow("past the top band") << 15 << B << FrameChild::Header << FrameArea::Caption;

    // Right is w - b < x <= w - 1, bottom h - b < y <= h - 1: the last column and row count.
    QTest::newRow("last column") << W - 1 << 100 << FrameChild::Body << FrameArea::Right;
    QTest::newRow("first right column") << W - B + 1 << 100 << FrameChild::Body << FrameArea::Right;
    QTest::newRow("before the right band")
        << W - B << 100 << FrameChild::Body << FrameArea::Caption;
    QTest::newRow("last row") << 200 << H - 1 << FrameChild::Body << FrameArea::Bottom;
    QTest::newRow("first bottom row") << 200 << H - B + 1 << FrameChild::Body << FrameArea::Bottom;
    QTest::newRow("above the bottom band")
        << 200 << H - B << FrameChild::Body << FrameArea::Caption;
    QTest::newRow("outside, past the last column")
        << W << 100 << FrameChild::Body << FrameArea::Caption;

    // Corners win over edges.
    QTest::newRow("top-left") << 6 << 3 << FrameChild::Header << FrameArea::TopLeft;
    QTest::newRow("top-right") << W - 6 << 3 << FrameChild::Header << FrameArea::TopRight;
    QTest::newRow("bottom-left") << 6 << H - 3 << FrameChild::Body << FrameArea::BottomLeft;
    QTest::newRow("bottom-right") << W - 6 << H - 1 << FrameChild::Body << FrameArea::BottomRight;
    QTest::newRow("corner on row 0 is only an edge")
        << 6 << 0 << FrameChild::Header << FrameArea::Left;
}

void tst_HitTest::areas()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(FrameChild, child);
    QFETCH(FrameArea, expected);
    QCOMPARE(frameHitTest(x, y, W, H, B, child), expected);
}

void tst_HitTest::smallBands_data()
{
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<FrameArea>("expected");

    // A band covers band - 1 pixels: none at 1, one row at 2.
    QTest::newRow("b=1 row 1") << 1 << 50 << 1 << 100 << 100 << FrameArea::Caption;
    QTest::newRow("b=1 last column") << 1 << 99 << 50 << 100 << 100 << FrameArea::Caption;
    QTest::newRow("b=2 row 1") << 2 << 50 << 1 << 100 << 100 << FrameArea::Top;
    QTest::newRow("b=2 row 2") << 2 << 50 << 2 << 100 << 100 << FrameArea::Caption;
    QTest::newRow("b=2 last column") << 2 << 99 << 50 << 100 << 100 << FrameArea::Right;
    QTest::newRow("b=2 last but one column") << 2 << 98 << 50 << 100 << 100 << FrameArea::Caption;
    // Bands overlapping on a tiny window: right overrides left, bottom overrides top.
    QTest::newRow("narrow: left and right") << 10 << 5 << 50 << 12 << 100 << FrameArea::Right;
    QTest::newRow("low: top and bottom") << 10 << 50 << 5 << 100 << 12 << FrameArea::Bottom;
    QTest::newRow("tiny: all four") << 10 << 5 << 5 << 12 << 12 << FrameArea::BottomRight;
}

void tst_HitTest::smallBands()
{
    QFETCH(int, band);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(FrameArea, expected);
    QCOMPARE(frameHitTest(x, y, width, height, band, FrameChild::Body), expected);
}

void tst_HitTest::productionBandReachesHeaderAndBody()
{
    // The header and body start 5 px inside the frame on both sides: the chosen band must
    // reach over them there, or the window could not be resized sideways.
    QCOMPARE(frameHitTest(5, 100, W, H, kFrameResizeBand, FrameChild::Body), FrameArea::Left);
    QCOMPARE(frameHitTest(W - 6, 100, W, H, kFrameResizeBand, FrameChild::Body), FrameArea::Right);
    QCOMPARE(frameHitTest(W - 6, 1, W, H, kFrameResizeBand, FrameChild::Header),
             FrameArea::TopRight);
}

void tst_HitTest::edgesAndCursors()
{
    QCOMPARE(frameAreaEdges(FrameArea::None), Qt::Edges());
    QCOMPARE(frameAreaEdges(FrameArea::Caption), Qt::Edges());
    QCOMPARE(frameAreaEdges(FrameArea::Left), Qt::Edges(Qt::LeftEdge));
    QCOMPARE(frameAreaEdges(FrameArea::Bottom), Qt::Edges(Qt::BottomEdge));
    QCOMPARE(frameAreaEdges(FrameArea::TopRight), Qt::TopEdge | Qt::RightEdge);
    QCOMPARE(frameAreaEdges(FrameArea::BottomLeft), Qt::BottomEdge | Qt::LeftEdge);

    // A corner cursor must point along the diagonal that the corner drags.
    QCOMPARE(frameAreaCursor(FrameArea::TopLeft), Qt::SizeFDiagCursor);
    QCOMPARE(frameAreaCursor(FrameArea::BottomRight), Qt::SizeFDiagCursor);
    QCOMPARE(frameAreaCursor(FrameArea::TopRight), Qt::SizeBDiagCursor);
    QCOMPARE(frameAreaCursor(FrameArea::BottomLeft), Qt::SizeBDiagCursor);
    QCOMPARE(frameAreaCursor(FrameArea::Right), Qt::SizeHorCursor);
    QCOMPARE(frameAreaCursor(FrameArea::Top), Qt::SizeVerCursor);
    QCOMPARE(frameAreaCursor(FrameArea::Caption), Qt::ArrowCursor);
}

QTEST_APPLESS_MAIN(tst_HitTest)
#include "tst_hittest.moc"
