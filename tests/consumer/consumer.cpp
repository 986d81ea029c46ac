// A program that only constructs the main window and its frame, as a new user would, must have
// the tool's resource bundle: the pictures of the main window, the style sheet and every picture
// the style sheet names. Prints what is missing; exits non-zero if anything is.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextStream>

#include "mainwindow/valve.h"
#include "widgets/qledlabel.h"
#include "widgets/windowframe.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    auto *valve = new Valve;
    windowframe frame(nullptr, valve);
    QLedLabel led;
    led.setState(QLedLabel::StateGreen);

    QStringList missing;
    for (const char *name : {"core_temp_pix", "sol_st_pix", "time_img"}) {
        const auto *label = valve->findChild<QLabel *>(name);
        if (!label || !label->pixmap() || label->pixmap()->isNull())
            missing << QStringLiteral("picture of %1").arg(name);
    }
    const auto *logo = valve->findChild<QPushButton *>("logo");
    if (!logo || logo->icon().isNull())
        missing << QStringLiteral("picture of logo");
    // shown when the valve opens
    if (QImage(QStringLiteral(":/resources/images/sol_open_64.png")).isNull())
        missing << QStringLiteral(":/resources/images/sol_open_64.png");

    QFile sheetFile(QStringLiteral(":/resources/style/appstyles.qss"));
    const QString sheet =
        sheetFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(sheetFile.readAll()) : QString();
    if (!sheet.contains(QLatin1String("QPushButton")))
        missing << sheetFile.fileName();
    const QRegularExpression url(QStringLiteral("url\\(\"?(:/[^\")]+)\"?\\)"));
    for (auto it = url.globalMatch(sheet); it.hasNext();) {
        const QString path = it.next().captured(1);
        if (QImage(path).isNull())
            missing << path;
    }

    // the consumer's own bundle, next to the tool's
    if (!QFile::exists(QStringLiteral(":/consumer/consumer.cpp")))
        missing << QStringLiteral(":/consumer/consumer.cpp");

    QTextStream out(stdout);
    for (const QString &item : missing)
        out << "missing: " << item << '\n';
    return missing.isEmpty() ? 0 : 1;
}
