#ifndef WIDGETS_WINDOWFRAME_H
#define WIDGETS_WINDOWFRAME_H

#include <QFrame>

#include "widgets/hittest.h"

namespace Ui {
class windowframe;
}

// The program's only top-level window: a frameless, translucent frame that draws its own title
// bar (`header`, with the title and the minimise, maximise and close buttons) and holds the main
// window in its `body`. Since the window system draws no border, the frame moves the window
// when its title bar is dragged and lets the bare header and body act as caption, edges and
// corners (WM_NCHITTEST on Windows, system move/resize requests elsewhere).
class windowframe : public QFrame
{
    Q_OBJECT
public:
    // content (may be null) is put into the body, which takes it over; the frame takes the
    // content's size, within its own maximum of 722 x 692. That maximum suits the fonts the form
    // was drawn with: where the content needs more room (wider fonts), the frame's and the body's
    // maxima grow to the content's minimum, so that nothing in it is cut off.
    windowframe(QWidget *parent, QWidget *content);
    ~windowframe() override;

    bool event(QEvent *event) override;

    // Hiding or showing the content hides or shows the whole frame.
    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private slots:
    void on_close_clicked();
    void on_maximum_clicked();
    void on_minimum_clicked();

private:
    // The hit test at a point in frame coordinates.
    FrameArea areaAt(const QPoint &pos) const;
    // Cursor feedback while hovering the bare header or body (not on Windows, where the
    // window system picks the cursor from the hit test).
    void hoverAt(QWidget *watched, const QPoint &pos);
    // Raises the maxima of the form, where needed, to the minimum the content needs.
    void fitMaximumToContent();

    Ui::windowframe *ui;
    QWidget *m_content;
    // Cursor position in frame coordinates where a title-bar drag started; (0, 0) while no
    // drag is in progress.
    int m_pressX;
    int m_pressY;
    int m_band; // resize band width of the hit test
    // The maxima of the form, for the fonts it was drawn with.
    QSize m_formMaximum;
    QSize m_formBodyMaximum;
};

#endif // WIDGETS_WINDOWFRAME_H
