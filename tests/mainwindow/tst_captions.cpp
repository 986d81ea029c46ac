#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionComboBox>
#include <QTabWidget>

#include "mainwindow/valve.h"
#include "widgets/appstyle.h"
#include "widgets/windowframe.h"

// The form was drawn with the Windows fonts. With the font a Debian user gets (DejaVu Sans 9 pt
// through fontconfig) the main window needs more room than the frame's maximum of 722 x 692;
// squeezed below its minimum it cut captions and combo items off.
class tst_Captions : public QObject
{
    Q_OBJECT

    struct Cuts
    {
        QSet<QString> captions;
        QSet<QString> items;
    };

    // The width a box has for the text of its current item. An editable box shows it in its line
    // edit, which keeps 2 px clear on each side of its contents.
    static int textWidth(QComboBox *box)
    {
        QLineEdit *edit = box->lineEdit();
        if (!edit) {
            QStyleOptionComboBox option;
            option.initFrom(box);
            option.frame = box->hasFrame();
            return box->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
                .width();
        }
        QStyleOptionFrame option;
        option.initFrom(edit);
        const QRect contents =
            edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
        const QMargins margins = edit->textMargins();
        return contents.width() - margins.left() - margins.right() - 2 * 2;
    }

    // What is cut off in the window as it shows now: a caption wider than its label, an item
    // wider than the text field of its box.
    static void collectCuts(QWidget *window, Cuts &cuts)
    {
        for (QLabel *label : window->findChildren<QLabel *>()) {
            if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
                continue;
            const int advance = label->fontMetrics().horizontalAdvance(label->text());
            if (advance > label->contentsRect().width())
                cuts.captions << QStringLiteral("%1 \"%2\" %3 > %4")
                                     .arg(label->objectName(), label->text())
                                     .arg(advance)
                                     .arg(label->contentsRect().width());
        }
        for (QComboBox *box : window->findChildren<QComboBox *>()) {
            if (!box->isVisibleTo(window))
                continue;
            const int field = textWidth(box);
            for (int i = 0; i < box->count(); ++i) {
                const int advance = box->fontMetrics().horizontalAdvance(box->itemText(i));
                if (advance > field)
                    cuts.items << QStringLiteral("%1 \"%2\" %3 > %4")
                                      .arg(box->objectName(), box->itemText(i))
                                      .arg(advance)
                                      .arg(field);
            }
        }
    }

    // A widget handles the layout request its child posted and posts one to its own parent:
    // deliver them level by level up the widget tree, as the event loop would.
    static void settle()
    {
        for (int level = 0; level < 32; ++level)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }

    // Steps every box on show through its items (some refill others: units, interval values)
    // and collects what is cut after each step.
    static void cycleBoxes(QWidget *window, Cuts &cuts)
    {
        collectCuts(window, cuts);
        for (QComboBox *box : window->findChildren<QComboBox *>()) {
            if (!box->isVisibleTo(window))
                continue;
            for (int i = 0; i < box->count(); ++i) {
                box->setCurrentIndex(i);
                settle();
                collectCuts(window, cuts);
            }
        }
    }

    // Shows every page and sub-page in turn.
    static void visitPages(QWidget *window, QTabWidget *tabs, Cuts &cuts)
    {
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            settle();
            if (auto *nested = tabs->widget(i)->findChild<QTabWidget *>())
                visitPages(window, nested, cuts);
            else
                cycleBoxes(window, cuts);
        }
    }

private slots:
    void initTestCase()
    {
        qApp->setStyleSheet(loadAppStyleSheet()); // as main() does
    }

    void nothingCutAtTheDebianFont()
    {
        // What Qt gives on a desktop without font settings of its own (under Xvfb, for one);
        // the offscreen platform would pick 12 pt.
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
        const QString family = QFontInfo(QApplication::font()).family();
        QVERIFY2(
            family == QLatin1String("DejaVu Sans"),
            qPrintable(family + QStringLiteral(" instead of DejaVu Sans (fonts-dejavu-core)")));

        auto *valve = new Valve;
        windowframe frame(nullptr, valve);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        Cuts cuts;
        visitPages(&frame, valve->findChild<QTabWidget *>(QStringLiteral("Main_Tab_Widget")), cuts);
        for (const QString &cut : qAsConst(cuts.captions))
            qInfo().noquote() << "cut caption:" << cut;
        for (const QString &cut : qAsConst(cuts.items))
            qInfo().noquote() << "cut item:" << cut;
        // (cut captions, cut combo items)
        QCOMPARE(qMakePair(cuts.captions.size(), cuts.items.size()), qMakePair(0, 0));
    }

    // The frame gives its content at least the content's minimum, whenever that is set, and
    // keeps the form's maximum where the content fits in it.
    void frameHoldsContentMinimum_data()
    {
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<bool>("later"); // set after the frame is shown
        QTest::addColumn<bool>("fits");  // in the form's maximum
        QTest::newRow("fits") << QSize(400, 300) << false << true;
        QTest::newRow("wider") << QSize(900, 300) << false << false;
        QTest::newRow("taller") << QSize(400, 800) << false << false;
        QTest::newRow("grows once shown") << QSize(900, 800) << true << false;
    }
    void frameHoldsContentMinimum()
    {
        QFETCH(QSize, minimum);
        QFETCH(bool, later);
        QFETCH(bool, fits);
        auto *content = new QWidget;
        if (!later)
            content->setMinimumSize(minimum);
        windowframe frame(nullptr, content);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        if (later)
            content->setMinimumSize(minimum);
        settle();

        // A widget keeps its minimum even where its parent is smaller: then it is clipped.
        QVERIFY(content->width() >= minimum.width() && content->height() >= minimum.height());
        for (QWidget *w = content->parentWidget(); w; w = w->parentWidget()) {
            const QRect shown(content->mapTo(w, QPoint(0, 0)), content->size());
            QVERIFY2(w->rect().contains(shown), qPrintable(w->objectName()));
        }
        if (fits)
            QCOMPARE(frame.maximumSize(), QSize(722, 692));
    }
};

QTEST_MAIN(tst_Captions)
#include "tst_captions.moc"
