#include <QtTest>

#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>

#include "widgets/windowframe.h"

namespace {

// Sends a mouse event to the deepest widget under a frame point, the way the window system
// would deliver it; widgets that ignore it pass it on to their parents.
QWidget *widgetAt(QWidget *frame, const QPoint &framePoint)
{
    QWidget *target = frame->childAt(framePoint);
    return target ? target : frame;
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QPoint centreIn(QWidget *frame, QWidget *child)
{
    return child->mapTo(frame, child->rect().center());
}

} // namespace

class tst_WindowFrame : public QObject
{
    Q_OBJECT

private slots:
    void form();
    void takesContentAndItsSize_data();
    void takesContentAndItsSize();
    void noContent();
    void drag_data();
    void drag();
    void releaseEndsDrag();
    void doubleClickDoesNothing();
    void hoverCursorFollowsEdges();
    void contentVisibilityDrivesFrame();
    void closeEndsEventLoop();
    void titleButtons();
    void destructorDeletesContent();
};

void tst_WindowFrame::form()
{
    windowframe frame(nullptr, nullptr);

    QCOMPARE(frame.objectName(), QStringLiteral("windowframe"));
    QCOMPARE(frame.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(frame.maximumSize(), QSize(722, 692));
    QCOMPARE(int(frame.windowFlags()), 0x4801);
    QVERIFY(frame.testAttribute(Qt::WA_TranslucentBackground));

    auto *header = frame.findChild<QWidget *>("header");
    auto *buttons = frame.findChild<QWidget *>("buttons");
    auto *body = frame.findChild<QWidget *>("body");
    auto *label = frame.findChild<QLabel *>("label");
    QVERIFY(header && buttons && body && label);
    QCOMPARE(buttons->parentWidget(), header);
    QCOMPARE(label->parentWidget(), buttons);
    QCOMPARE(label->text(), QStringLiteral("KORVANEX Morlenta"));
    QCOMPARE(header->minimumHeight(), 30);
    QCOMPARE(header->maximumHeight(), 30);
    QCOMPARE(buttons->maximumHeight(), 30);
    QCOMPARE(body->maximumSize(), QSize(722, 723));
    QVERIFY(body->layout());

    // The header and body sit 5 px inside the frame's left and right edges.
    QCOMPARE(frame.layout()->contentsMargins(), QMargins(5, 0, 5, 0));
    QCOMPARE(frame.layout()->spacing(), 0);

    for (const char *name : {"minimum", "maximum", "close"}) {
        auto *button = frame.findChild<QPushButton *>(name);
        QVERIFY2(button, name);
        QCOMPARE(button->parentWidget(), buttons);
        QCOMPARE(button->minimumSize(), QSize(20, 20));
        QCOMPARE(button->maximumSize(), QSize(20, 20));
        QVERIFY(button->text().isEmpty());
        QCOMPARE(button->isEnabled(), qstrcmp(name, "maximum") != 0);
    }
}

void tst_WindowFrame::takesContentAndItsSize_data()
{
    QTest::addColumn<QSize>("contentSize");
    QTest::addColumn<QSize>("frameSize");
    QTest::newRow("fits") << QSize(400, 300) << QSize(400, 300);
    QTest::newRow("too big: bounded by the maximum") << QSize(1000, 900) << QSize(722, 692);
    QTest::newRow("too wide only") << QSize(800, 500) << QSize(722, 500);
}

void tst_WindowFrame::takesContentAndItsSize()
{
    QFETCH(QSize, contentSize);
    QFETCH(QSize, frameSize);

    auto *content = new QWidget;
    content->resize(contentSize);
    windowframe frame(nullptr, content);

    auto *body = frame.findChild<QWidget *>("body");
    QCOMPARE(content->parentWidget(), body);
    QVERIFY(body->layout()->indexOf(content) >= 0);
    QCOMPARE(frame.size(), frameSize);

    // Showing the frame shows the content inside it.
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(content->isVisible());
    QVERIFY(!content->isWindow());
}

void tst_WindowFrame::noContent()
{
    windowframe frame(nullptr, nullptr);
    QCOMPARE(frame.size(), QSize(522, 225));
    auto *body = frame.findChild<QWidget *>("body");
    QCOMPARE(body->layout()->count(), 0);
}

void tst_WindowFrame::drag_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("pressButton");
    QTest::addColumn<int>("pressButtons");
    QTest::addColumn<int>("moveButtons");
    QTest::addColumn<bool>("moves");

    const int left = Qt::LeftButton;
    const int right = Qt::RightButton;
    QTest::newRow("stretch, left") << "stretch" << left << left << left << true;
    QTest::newRow("stretch, right") << "stretch" << right << right << left << false;
    QTest::newRow("stretch, left and right")
        << "stretch" << right << (left | right) << left << false;
    QTest::newRow("stretch, moved with two buttons")
        << "stretch" << left << left << (left | right) << false;
    QTest::newRow("title text") << "label" << left << left << left << false;
    QTest::newRow("close button") << "close" << left << left << left << false;
    QTest::newRow("minimise button") << "minimum" << left << left << left << false;
    QTest::newRow("bare header") << "header" << left << left << left << false;
    QTest::newRow("frame origin") << "origin" << left << left << left << false;
}

void tst_WindowFrame::drag()
{
    QFETCH(QString, where);
    QFETCH(int, pressButton);
    QFETCH(int, pressButtons);
    QFETCH(int, moveButtons);
    QFETCH(bool, moves);

    windowframe frame(nullptr, new QWidget);
    frame.move(100, 80);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QPoint start = frame.pos();

    auto *buttons = frame.findChild<QWidget *>("buttons");
    auto *label = frame.findChild<QLabel *>("label");
    auto *minimum = frame.findChild<QWidget *>("minimum");
    QPoint point;
    if (where == "stretch") {
        // the empty stretch between the title text and the buttons
        const int x = (label->geometry().right() + minimum->geometry().left()) / 2;
        point = buttons->mapTo(&frame, QPoint(x, 15));
        QCOMPARE(frame.childAt(point), buttons);
    } else if (where == "header") {
        point = QPoint(5 + 8, 15); // the fixed spacer left of `buttons`
        QCOMPARE(frame.childAt(point), frame.findChild<QWidget *>("header"));
    } else if (where == "origin") {
        point = QPoint(0, 0);
    } else {
        point = centreIn(&frame, frame.findChild<QWidget *>(where));
    }

    QWidget *target = widgetAt(&frame, point);
    const QPoint local = target->mapFrom(&frame, point);
    const QPoint offset(30, 20);
    sendMouse(target, QEvent::MouseButtonPress, local, Qt::MouseButton(pressButton),
              Qt::MouseButtons(pressButtons));
    sendMouse(target, QEvent::MouseMove, local + offset, Qt::NoButton,
              Qt::MouseButtons(moveButtons));

    // The cursor keeps its place on the frame: the frame follows it by the same offset.
    if (moves)
        QTRY_COMPARE(frame.pos(), start + offset);
    else
        QCOMPARE(frame.pos(), start);

    // released away from any button, so that no button is clicked
    sendMouse(target, QEvent::MouseButtonRelease, local + offset, Qt::MouseButton(pressButton),
              Qt::NoButton);
    QVERIFY(frame.isVisible());
}

void tst_WindowFrame::releaseEndsDrag()
{
    windowframe frame(nullptr, new QWidget);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto *buttons = frame.findChild<QWidget *>("buttons");
    const QPoint local(buttons->width() / 2, 15);
    QVERIFY(!buttons->childAt(local));
    const QPoint start = frame.pos();

    sendMouse(buttons, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(buttons, QEvent::MouseMove, local + QPoint(10, 10), Qt::NoButton, Qt::LeftButton);
    QTRY_COMPARE(frame.pos(), start + QPoint(10, 10));
    const QPoint dropped = frame.pos();

    sendMouse(buttons, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
    sendMouse(buttons, QEvent::MouseMove, local + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(frame.pos(), dropped);
}

void tst_WindowFrame::doubleClickDoesNothing()
{
    windowframe frame(nullptr, new QWidget);
    frame.move(50, 50);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QPoint start = frame.pos();
    const QSize size = frame.size();
    auto *buttons = frame.findChild<QWidget *>("buttons");
    const QPoint local(buttons->width() / 2, 15);

    // Neither maximises nor, unlike the base class, turns into a press that starts a drag.
    sendMouse(buttons, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(buttons, QEvent::MouseMove, local + QPoint(25, 25), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(frame.pos(), start);
    QCOMPARE(frame.size(), size);
    QCOMPARE(frame.windowState(), Qt::WindowNoState);
}

void tst_WindowFrame::hoverCursorFollowsEdges()
{
#ifdef Q_OS_WIN
    QSKIP("the window system picks the cursor from WM_NCHITTEST");
#else
    auto *content = new QWidget;
    content->resize(400, 300);
    windowframe frame(nullptr, content);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto *header = frame.findChild<QWidget *>("header");
    auto *body = frame.findChild<QWidget *>("body");
    auto *buttons = frame.findChild<QWidget *>("buttons");

    auto hover = [](QWidget *w, const QPoint &local) {
        sendMouse(w, QEvent::MouseMove, local, Qt::NoButton, Qt::NoButton);
        return w->cursor().shape();
    };

    // header (0, 0) is frame (5, 0): column 5 is in the left band, row 0 in none
    QCOMPARE(hover(header, QPoint(1, 15)), Qt::SizeHorCursor);
    // the title bar contents do not inherit the header's resize cursor
    QCOMPARE(buttons->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(hover(header, QPoint(1, 2)), Qt::SizeFDiagCursor);
    QCOMPARE(hover(header, QPoint(header->width() - 2, 2)), Qt::SizeBDiagCursor);
    QCOMPARE(hover(header, QPoint(1, 0)), Qt::SizeHorCursor);
    // the caption part gives the cursor back
    hover(header, QPoint(12, 15));
    QVERIFY(!header->testAttribute(Qt::WA_SetCursor));

    QCOMPARE(hover(body, QPoint(body->width() / 2, body->height() - 1)), Qt::SizeVerCursor);
    // nor does the main window inherit the body's
    QCOMPARE(content->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(hover(body, QPoint(body->width() - 1, body->height() - 1)), Qt::SizeFDiagCursor);
    QCOMPARE(hover(body, QPoint(0, body->height() - 2)), Qt::SizeBDiagCursor);
#endif
}

void tst_WindowFrame::contentVisibilityDrivesFrame()
{
    auto *content = new QWidget;
    windowframe frame(nullptr, content);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    content->hide();
    QVERIFY(!frame.isVisible());
    content->show();
    QVERIFY(frame.isVisible());
    QVERIFY(content->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    // The frame's own hide and show leave the content alone.
    frame.hide();
    QVERIFY(!content->isHidden());
    frame.show();
    QVERIFY(content->isVisible());
}

void tst_WindowFrame::closeEndsEventLoop()
{
    windowframe frame(nullptr, new QWidget);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    auto *close = frame.findChild<QPushButton *>("close");

    QTimer click;
    click.setSingleShot(true);
    connect(&click, &QTimer::timeout, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
    click.start(0);
    QTimer guard; // only if closing failed to end the loop
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(60000);

    const int code = QApplication::exec();
    guard.stop();
    QCOMPARE(code, 0);
    QVERIFY(!frame.isVisible());
}

void tst_WindowFrame::titleButtons()
{
    windowframe frame(nullptr, new QWidget);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));

    // The disabled maximise button does nothing.
    QTest::mouseClick(frame.findChild<QPushButton *>("maximum"), Qt::LeftButton);
    QCOMPARE(frame.windowState(), Qt::WindowNoState);

    // Its slot, were it reachable, toggles between maximised and normal.
    QVERIFY(QMetaObject::invokeMethod(&frame, "on_maximum_clicked"));
    QTRY_VERIFY(frame.isMaximized());
    QVERIFY(QMetaObject::invokeMethod(&frame, "on_maximum_clicked"));
    QTRY_VERIFY(!frame.isMaximized());

    QTest::mouseClick(frame.findChild<QPushButton *>("minimum"), Qt::LeftButton);
    QTRY_VERIFY(frame.isMinimized());
}

void tst_WindowFrame::destructorDeletesContent()
{
    QPointer<QWidget> content = new QWidget;
    {
        windowframe frame(nullptr, content);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
    }
    QVERIFY(content.isNull());
}

QTEST_MAIN(tst_WindowFrame)
#include "tst_windowframe.moc"
