#include "widgets/windowframe.h"

#include <QEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QWindow>
#include <QtMath>

#include <cmath>

#include "ui_windowframe.h"
#include "widgets/appstyle.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <windowsx.h>
#endif

namespace {

// Mouse positions in whole pixels, halves going away from zero.
QPoint wholePixels(const QPointF &point)
{
    return QPoint(static_cast<int>(std::lround(point.x())),
                  static_cast<int>(std::lround(point.y())));
}

#ifdef Q_OS_WIN
LRESULT nativeHitCode(FrameArea area)
{
    switch (area) {
    case FrameArea::Left:
        return HTLEFT;
    case FrameArea::Right:
        return HTRIGHT;
    case FrameArea::Top:
        return HTTOP;
    case FrameArea::Bottom:
        return HTBOTTOM;
    case FrameArea::TopLeft:
        return HTTOPLEFT;
    case FrameArea::TopRight:
        return HTTOPRIGHT;
    case FrameArea::BottomLeft:
        return HTBOTTOMLEFT;
    case FrameArea::BottomRight:
        return HTBOTTOMRIGHT;
    case FrameArea::Caption:
    case FrameArea::None:
        break;
    }
    return HTCAPTION;
}
#endif

} // namespace

windowframe::windowframe(QWidget *parent, QWidget *content)
    : QFrame(parent), ui(new Ui::windowframe), m_content(nullptr), m_pressX(0), m_pressY(0),
      m_band(kFrameResizeBand)
{
    registerResourceBundle(); // the title buttons' pictures in the style sheet
    ui->setupUi(this);
    m_formMaximum = maximumSize();
    m_formBodyMaximum = ui->body->maximumSize();
    ui->maximum->setEnabled(false);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground, true);

#ifndef Q_OS_WIN
    // Hover over the bare header and body shows resize cursors near the edges. The title bar
    // contents keep the plain arrow instead of inheriting the header's cursor.
    ui->header->setMouseTracking(true);
    ui->body->setMouseTracking(true);
    ui->header->installEventFilter(this);
    ui->body->installEventFilter(this);
    ui->buttons->setCursor(Qt::ArrowCursor);
#endif

    if (content) {
        // The content's minimum must be final before the frame is mapped: a window manager may
        // keep the size it maps. The layouts of a hidden page keep the sizes they cached before
        // its widgets were styled and fitted until the page is first shown, so they are all
        // renewed here.
        for (QLayout *layout : content->findChildren<QLayout *>())
            layout->invalidate();
        ui->body->layout()->addWidget(content);
        m_content = content;
        content->installEventFilter(this);
        fitMaximumToContent();
        resize(content->geometry().width(), content->geometry().height());
#ifndef Q_OS_WIN
        if (!content->testAttribute(Qt::WA_SetCursor))
            content->setCursor(Qt::ArrowCursor);
#endif
    }
}

windowframe::~windowframe()
{
    m_content = nullptr;
    ui->header->removeEventFilter(this);
    ui->body->removeEventFilter(this);

    // The main window goes first, while the form still exists.
    QLayout *layout = ui->body->layout();
    while (QLayoutItem *item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    delete ui;
}

bool windowframe::event(QEvent *event)
{
    // Posted whenever the content's minimum may have changed (fonts, style, items); the layout
    // then sets the frame's minimum, which must not exceed the maximum.
    if (event->type() == QEvent::LayoutRequest)
        fitMaximumToContent();
    return QFrame::event(event);
}

bool windowframe::eventFilter(QObject *watched, QEvent *event)
{
    if (m_content && watched == m_content) {
        if (event->type() == QEvent::HideToParent) {
            hide();
            return true;
        }
        if (event->type() == QEvent::ShowToParent) {
            show();
            return true;
        }
    } else if ((watched == ui->header || watched == ui->body) &&
               event->type() == QEvent::MouseMove) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() == Qt::NoButton)
            hoverAt(static_cast<QWidget *>(watched), wholePixels(mouse->localPos()));
    }
    return QFrame::eventFilter(watched, event);
}

void windowframe::mousePressEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::LeftButton)
        return;
    const QPoint pos = wholePixels(event->localPos());
    if (childAt(pos) == ui->buttons) {
        m_pressX = pos.x();
        m_pressY = pos.y();
        return;
    }
#ifndef Q_OS_WIN
    // What WM_NCHITTEST does on Windows: the bare header and body move the window, their parts
    // along the edges resize it. The window system carries out the move or resize.
    QWindow *window = windowHandle();
    if (!window)
        return;
    const FrameArea area = areaAt(pos);
    if (area == FrameArea::Caption)
        window->startSystemMove();
    else if (area != FrameArea::None)
        window->startSystemResize(frameAreaEdges(area));
#endif
}

void windowframe::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::LeftButton || (m_pressX == 0 && m_pressY == 0))
        return;
    const QPoint global = wholePixels(event->screenPos());
    move(global.x() - m_pressX, global.y() - m_pressY);
}

void windowframe::mouseReleaseEvent(QMouseEvent *)
{
    m_pressX = 0;
    m_pressY = 0;
}

void windowframe::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click on the title bar neither maximises the window nor starts a drag.
    Q_UNUSED(event)
}

bool windowframe::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(message);
    if (eventType == "windows_generic_MSG" && msg->message == WM_NCHITTEST) {
        // lParam holds the cursor in physical screen pixels, x and y as signed 16-bit halves
        // (negative on screens left of or above the primary one). ScreenToClient subtracts the
        // window's origin (a frameless window's client area is the whole window); dividing by
        // the device pixel ratio turns physical pixels into the widget's own pixels, which
        // differ whenever high-DPI scaling is in force.
        POINT point{GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)};
        if (ScreenToClient(msg->hwnd, &point)) {
            const qreal ratio = devicePixelRatioF();
            const QPoint pos(qFloor(point.x / ratio), qFloor(point.y / ratio));
            const FrameArea area = areaAt(pos);
            if (area != FrameArea::None) {
                *result = static_cast<long>(nativeHitCode(area));
                return true;
            }
        }
    }
#endif
    return QFrame::nativeEvent(eventType, message, result);
}

void windowframe::on_close_clicked()
{
    close();
}

void windowframe::on_maximum_clicked()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void windowframe::on_minimum_clicked()
{
    showMinimized();
}

void windowframe::fitMaximumToContent()
{
    // The body first: it must hold the content at the content's minimum (the larger of the
    // explicit one and the one its layouts need) within its margins. The frame's layout counts
    // the body's minimum only up to the body's maximum.
    QSize body = m_formBodyMaximum;
    if (m_content) {
        const QSize content = m_content->minimumSizeHint().expandedTo(m_content->minimumSize());
        const QMargins margins = ui->body->layout()->contentsMargins();
        body = body.expandedTo(content.grownBy(margins));
    }
    ui->body->setMaximumSize(body);
    setMaximumSize(m_formMaximum.expandedTo(layout()->totalMinimumSize()));
}

FrameArea windowframe::areaAt(const QPoint &pos) const
{
    const QWidget *child = childAt(pos);
    const FrameChild kind = child == ui->header ? FrameChild::Header
                            : child == ui->body ? FrameChild::Body
                                                : FrameChild::Other;
    return frameHitTest(pos.x(), pos.y(), width(), height(), m_band, kind);
}

void windowframe::hoverAt(QWidget *watched, const QPoint &pos)
{
    const FrameArea area = areaAt(watched->mapTo(this, pos));
    if (area == FrameArea::None || area == FrameArea::Caption)
        watched->unsetCursor();
    else
        watched->setCursor(frameAreaCursor(area));
}
