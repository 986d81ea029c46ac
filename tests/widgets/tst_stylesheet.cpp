#include <QtTest>

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>

#include "widgets/appstyle.h"

namespace {

QByteArray resourceBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage render(QWidget *widget, const QSize &size)
{
    widget->resize(size);
    widget->ensurePolished();
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 &&
           qAbs(qBlue(a) - qBlue(b)) <= 8;
}

// A picture drawn with border-image over the whole widget: its centre pixel shows through.
QRgb pictureCentre(const QString &path)
{
    const QImage image(path);
    return image.pixel(image.width() / 2, image.height() / 2);
}

class SpinBox : public QDoubleSpinBox
{
public:
    using QDoubleSpinBox::initStyleOption;
};

} // namespace

class tst_StyleSheet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedSheetEqualsResource();
    void loaderStopsAtFirstZeroByte();
    void loaderDecodesUtf8();
    void unreadableSheetIsEmpty();
    void pictures_data();
    void pictures();
    void everyPictureInTheSheetExists();
    void deviceIdColourFollowsEnabled();
    void titleButtonPictures();
    void resetButtonsChangePictureWhenPressed();
    void spinBoxesHaveNoStepButtons();
};

void tst_StyleSheet::initTestCase()
{
    // what main() does before any window exists
    qApp->setStyleSheet(loadAppStyleSheet());
}

void tst_StyleSheet::installedSheetEqualsResource()
{
    const QByteArray raw = resourceBytes(QString::fromLatin1(kAppStyleSheetPath));
    QVERIFY(raw.size() > 1000);
    QVERIFY(!raw.contains('\0'));
    for (const char c : raw)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "the style sheet is plain ASCII");
    QCOMPARE(loadAppStyleSheet().toUtf8(), raw);
    QCOMPARE(qApp->styleSheet().toUtf8(), raw);
}

void tst_StyleSheet::loaderStopsAtFirstZeroByte()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("sheet.qss"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("QLabel { color: red; }\0QLabel { color: blue; }", 46));
    file.close();
    QCOMPARE(loadStyleSheet(file.fileName()), QStringLiteral("QLabel { color: red; }"));
}

void tst_StyleSheet::loaderDecodesUtf8()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath("sheet.qss"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString text = QStringLiteral("/* \u0441\u0442\u0438\u043b\u044c */ QLabel {}");
    file.write(text.toUtf8());
    file.close();
    QCOMPARE(loadStyleSheet(file.fileName()), text);
}

void tst_StyleSheet::unreadableSheetIsEmpty()
{
    QVERIFY(loadStyleSheet(QStringLiteral(":/resources/style/missing.qss")).isEmpty());
    QVERIFY(loadStyleSheet(QString()).isEmpty());
}

void tst_StyleSheet::pictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("round"); // transparent corners

    QTest::newRow("red") << ":/resources/icons/red_20.png" << QSize(20, 20) << true;
    QTest::newRow("yellow") << ":/resources/icons/yellow_20.png" << QSize(20, 20) << true;
    QTest::newRow("green") << ":/resources/icons/green_20.png" << QSize(20, 20) << true;
    QTest::newRow("logo") << ":/resources/images/logo_32.png" << QSize(32, 32) << true;
    QTest::newRow("core temperature")
        << ":/resources/images/core_temp_32.png" << QSize(32, 32) << false;
    QTest::newRow("valve closed") << ":/resources/images/sol_close_64.png" << QSize(64, 64)
                                  << false;
    QTest::newRow("valve open") << ":/resources/images/sol_open_64.png" << QSize(64, 64) << false;
    QTest::newRow("clock") << ":/resources/images/clock_64_25.png" << QSize(64, 25) << false;
    QTest::newRow("reset pressed") << ":/resources/images/reset_16_1.png" << QSize(16, 16) << true;
    QTest::newRow("reset") << ":/resources/images/reset_16_2.png" << QSize(16, 16) << true;
    QTest::newRow("down") << ":/resources/images/down_16.png" << QSize(16, 16) << false;
    QTest::newRow("up") << ":/resources/images/up_16.png" << QSize(16, 16) << false;
}

void tst_StyleSheet::pictures()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, round);

    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
    if (round) {
        const int w = size.width() - 1;
        const int h = size.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)})
            QCOMPARE(qAlpha(image.pixel(corner)), 0);
        QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

void tst_StyleSheet::everyPictureInTheSheetExists()
{
    const QString sheet = loadAppStyleSheet();
    const QRegularExpression url(QStringLiteral("url\\(\"([^\"]+)\"\\)"));
    int count = 0;
    for (auto it = url.globalMatch(sheet); it.hasNext(); ++count) {
        const QString path = it.next().captured(1);
        QVERIFY2(!QImage(path).isNull(), qPrintable(path));
    }
    QCOMPARE(count, 7); // three title-bar buttons, two reset and two combo-arrow pictures
}

void tst_StyleSheet::deviceIdColourFollowsEnabled()
{
    QLineEdit edit;
    edit.setObjectName("device_id");
    QImage image = render(&edit, QSize(120, 30));
    QCOMPARE(QColor(image.pixel(60, 15)), QColor(255, 128, 64));

    edit.setEnabled(false);
    image = render(&edit, QSize(120, 30));
    QCOMPARE(QColor(image.pixel(60, 15)), QColor(245, 245, 245));

    // any other line edit keeps the common light grey
    QLineEdit other;
    image = render(&other, QSize(120, 30));
    QCOMPARE(QColor(image.pixel(60, 15)), QColor(245, 245, 245));
}

void tst_StyleSheet::titleButtonPictures()
{
    const QList<QPair<QString, QString>> buttons = {{"close", ":/resources/icons/red_20.png"},
                                                    {"maximum", ":/resources/icons/yellow_20.png"},
                                                    {"minimum", ":/resources/icons/green_20.png"}};
    for (const auto &entry : buttons) {
        QPushButton button;
        button.setObjectName(entry.first);
        const QImage image = render(&button, QSize(20, 20));
        QVERIFY2(near(image.pixel(10, 10), pictureCentre(entry.second)), qPrintable(entry.first));
    }
}

void tst_StyleSheet::resetButtonsChangePictureWhenPressed()
{
    const QRgb normal = pictureCentre(":/resources/images/reset_16_2.png");
    const QRgb pressed = pictureCentre(":/resources/images/reset_16_1.png");
    QVERIFY(!near(normal, pressed));
    for (const char *name : {"RES_1", "RES_2"}) {
        QPushButton button;
        button.setObjectName(name);
        QVERIFY2(near(render(&button, QSize(16, 16)).pixel(8, 8), normal), name);
        button.setDown(true);
        QVERIFY2(near(render(&button, QSize(16, 16)).pixel(8, 8), pressed), name);
    }
}

void tst_StyleSheet::spinBoxesHaveNoStepButtons()
{
    SpinBox spin;
    spin.resize(100, 24);
    spin.ensurePolished();
    QStyleOptionSpinBox option;
    spin.initStyleOption(&option);
    for (const auto control : {QStyle::SC_SpinBoxUp, QStyle::SC_SpinBoxDown}) {
        const QRect rect =
            spin.style()->subControlRect(QStyle::CC_SpinBox, &option, control, &spin);
        QVERIFY(rect.width() <= 0 || rect.isEmpty());
    }
}

QTEST_MAIN(tst_StyleSheet)
#include "tst_stylesheet.moc"
