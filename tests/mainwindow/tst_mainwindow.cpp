// What the user meets in the main window as a whole: combo boxes that offer a centred choice and
// cannot be typed over, and captions and items that are not cut off at the font a Debian desktop
// gives, inside a frame that never squeezes its content.
#include <QtTest>

#include <QLineEdit>

#include "support/valvetestaccess.h"
#include "widgets/appstyle.h"
#include "widgets/windowframe.h"

namespace {

// A widget handles the layout request its child posted and posts one to its own parent: deliver
// them level by level up the widget tree, as the event loop would.
void settle()
{
    for (int level = 0; level < 32; ++level)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// The width an editable box has for its text: its line edit keeps 2 px clear on each side.
int textWidth(const QLineEdit *edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QMargins m = edit->textMargins();
    return edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
           m.left() - m.right() - 4;
}

// Captions wider than their label, items wider than the text field of their box, as shown now.
void collectCuts(QWidget *window, QSet<QString> &cuts)
{
    for (QLabel *label : window->findChildren<QLabel *>())
        if (label->isVisibleTo(window) && !label->wordWrap() &&
            label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
            cuts << label->objectName() + " \"" + label->text() + '"';
    for (QComboBox *box : window->findChildren<QComboBox *>())
        for (int i = 0; box->isVisibleTo(window) && i < box->count(); ++i)
            if (box->fontMetrics().horizontalAdvance(box->itemText(i)) > textWidth(box->lineEdit()))
                cuts << box->objectName() + " \"" + box->itemText(i) + '"';
}

// Every page and sub-page in turn, every box on it stepped through its items (some refill
// others: units, interval values).
void visitPages(QWidget *window, QTabWidget *tabs, QSet<QString> &cuts)
{
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        settle();
        if (auto *nested = tabs->widget(page)->findChild<QTabWidget *>()) {
            visitPages(window, nested, cuts);
            continue;
        }
        collectCuts(window, cuts);
        for (QComboBox *box : tabs->widget(page)->findChildren<QComboBox *>())
            for (int i = 0; box->isVisibleTo(window) && i < box->count(); ++i) {
                box->setCurrentIndex(i);
                settle();
                collectCuts(window, cuts);
            }
    }
}

// A window manager keeps a window within the maximum the frame gives it: a maximum below the size
// that holds the content cuts the content, whatever Qt's own layout does.
bool withinMaximum(const QWidget *w)
{
    return w->maximumWidth() >= w->width() && w->maximumHeight() >= w->height();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void comboBoxesAreReadOnlyAndCentred()
    {
        Valve v;
        for (QComboBox *box : v.findChildren<QComboBox *>()) {
            const QString name = box->objectName();
            QVERIFY2(box->lineEdit() && box->lineEdit()->isReadOnly(), qPrintable(name));
            QVERIFY2(box->lineEdit()->alignment() == Qt::AlignCenter, qPrintable(name));
            for (int i = 0; i < box->count(); ++i)
                QVERIFY2(box->itemData(i, Qt::TextAlignmentRole).toInt() == Qt::AlignCenter,
                         qPrintable(name));
        }
    }

    // The form was drawn with Windows fonts; squeezed into the frame's maximum of 722 x 692 at
    // DejaVu Sans 9 pt it cut 44 captions and 44 combo items.
    void nothingCutAtTheDebianFont()
    {
        qApp->setStyleSheet(loadAppStyleSheet()); // as main() does
        // What Qt gives on a desktop without font settings of its own (the offscreen platform
        // alone would pick 12 pt).
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
        const QString family = QFontInfo(QApplication::font()).family();
        QVERIFY2(family == QLatin1String("DejaVu Sans"),
                 qPrintable(family + " instead of DejaVu Sans (fonts-dejavu-core)"));
        auto *valve = new Valve;
        windowframe frame(nullptr, valve);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        settle();
        // A window manager may keep the size the frame had when it was mapped: the content's
        // minimum must be known by then, not grow as each page is first shown (label_42 was cut
        // by a pixel so).
        const QSize mapped = frame.minimumSize();
        QSet<QString> cuts;
        visitPages(&frame, ValveTestAccess::ui(*valve)->Main_Tab_Widget, cuts);
        QVERIFY(withinMaximum(&frame)); // the content needs more than 722 x 692 here
        QCOMPARE(frame.minimumSize(), mapped);
        QVERIFY2(cuts.isEmpty(), qPrintable(QStringList(cuts.values()).join('\n')));
        qApp->setStyleSheet(QString());
    }

    // Content that fits keeps the form's maximum; content whose minimum grows after the frame is
    // shown is not clipped by any of its parents, nor by a maximum the window manager would hold
    // the frame to.
    void frameHoldsContentMinimum()
    {
        auto *content = new QWidget;
        content->setMinimumSize(400, 300);
        windowframe frame(nullptr, content);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.maximumSize(), QSize(722, 692));
        content->setMinimumSize(900, 800);
        settle();
        for (QWidget *w = content->parentWidget(); w; w = w->parentWidget())
            QVERIFY2(w->rect().contains(QRect(content->mapTo(w, QPoint()), QSize(900, 800))) &&
                         withinMaximum(w),
                     qPrintable(w->objectName()));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
