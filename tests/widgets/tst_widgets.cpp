// The frameless window's hit test and title buttons, and the LED.
#include <QtTest>

#include <QPushButton>

#include "widgets/hittest.h"
#include "widgets/qledlabel.h"
#include "widgets/windowframe.h"

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void hitTest();
    void ledOutOfRangeIsRed();
    void titleButtons();
};

void TestWidgets::hitTest()
{
    using A = FrameArea;
    using C = FrameChild;
    const int w = 522, h = 225, band = kFrameResizeBand;
    // Bands: left 0 < x < band, right w - band < x <= w - 1, the same for top and bottom. The
    // header and body start 5 px inside the frame on both sides: the bands must reach them.
    const std::tuple<int, int, C, A> cases[] = {{2, 100, C::Other, A::None},
                                                {15, 0, C::Header, A::Caption},
                                                {15, 1, C::Header, A::Top},
                                                {15, band - 1, C::Header, A::Top},
                                                {15, band, C::Header, A::Caption},
                                                {0, 100, C::Body, A::Caption},
                                                {1, 100, C::Body, A::Left},
                                                {5, 100, C::Body, A::Left},
                                                {band - 1, 100, C::Body, A::Left},
                                                {band, 100, C::Body, A::Caption},
                                                {w - band, 100, C::Body, A::Caption},
                                                {w - band + 1, 100, C::Body, A::Right},
                                                {w - 6, 100, C::Body, A::Right},
                                                {w - 1, 100, C::Body, A::Right},
                                                {w, 100, C::Body, A::Caption},
                                                {200, h - band, C::Body, A::Caption},
                                                {200, h - band + 1, C::Body, A::Bottom},
                                                {200, h - 1, C::Body, A::Bottom},
                                                {6, 3, C::Header, A::TopLeft},
                                                {w - 6, 3, C::Header, A::TopRight},
                                                {6, h - 3, C::Body, A::BottomLeft},
                                                {w - 6, h - 1, C::Body, A::BottomRight},
                                                {6, 0, C::Header, A::Left}};
    for (const auto &[x, y, child, area] : cases)
        QVERIFY2(frameHitTest(x, y, w, h, band, child) == area,
                 qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
    // A corner drags both its edges, with the cursor along its own diagonal.
    QCOMPARE(frameAreaEdges(A::TopRight), Qt::TopEdge | Qt::RightEdge);
    QCOMPARE(frameAreaEdges(A::BottomLeft), Qt::BottomEdge | Qt::LeftEdge);
    QCOMPARE(frameAreaCursor(A::TopLeft), Qt::SizeFDiagCursor);
    QCOMPARE(frameAreaCursor(A::BottomLeft), Qt::SizeBDiagCursor);
}

void TestWidgets::ledOutOfRangeIsRed()
{
    QLedLabel led;
    const auto centre = [&led] { return led.grab().toImage().pixelColor(7, 7); };
    led.setState(QLedLabel::StateGreen);
    QCOMPARE(centre(), QColor(0, 128, 0));
    for (int value : {5, 255, -1}) {
        led.setState(QLedLabel::StateGreen);
        led.setState(static_cast<QLedLabel::State>(value));
        QCOMPARE(centre(), QColor(Qt::red));
    }
}

// Also checks that the frame's by-name slots fire.
void TestWidgets::titleButtons()
{
    windowframe frame(nullptr, new QWidget);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto *maximum = frame.findChild<QPushButton *>("maximum");
    maximum->setEnabled(true); // disabled in the tool; its slot toggles all the same
    maximum->click();
    QTRY_VERIFY(frame.isMaximized());
    maximum->click();
    QTRY_VERIFY(!frame.isMaximized());
    frame.findChild<QPushButton *>("minimum")->click();
    QTRY_VERIFY(frame.isMinimized());
    frame.findChild<QPushButton *>("close")->click();
    QVERIFY(!frame.isVisible());
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
