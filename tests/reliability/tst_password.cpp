// The service password unlocks the identifier field and goes nowhere else. Fault: a debug line
// or a status message that carries what was typed into the password field.
#include <QtTest>

#include "support/toolrig.h"

namespace {

QStringList logged;
void capture(QtMsgType, const QMessageLogContext &, const QString &line)
{
    logged << line;
}

} // namespace

class TestPassword : public QObject
{
    Q_OBJECT

private slots:
    void neverLoggedOrShown()
    {
        Valve v;
        Ui::Valve *ui = ValveTestAccess::ui(v);
        QStringList shown;
        connect(v.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) { shown << m; });
        // The service page as the hidden gesture leaves it, on the settings page.
        ui->Main_Tab_Widget->setTabEnabled(ui->Main_Tab_Widget->indexOf(ui->Sett_Tab), true);
        ui->Sub_Sett_TabWidget->setTabEnabled(ui->Sub_Sett_TabWidget->indexOf(ui->service_tab),
                                              true);
        QLoggingCategory::installFilter([](QLoggingCategory *category) { // whatever the rules
            for (QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
                category->setEnabled(type, true);
        });
        const QtMessageHandler previous = qInstallMessageHandler(capture);
        QTest::keyClicks(ui->service_pass, QStringLiteral("mek_vorta"));
        const bool unlocked = ui->device_id->isEnabled();
        ValveTestAccess::encode(v);
        qInstallMessageHandler(previous);
        QVERIFY(unlocked);
        QCOMPARE(ui->service_pass->echoMode(), QLineEdit::Password);
        for (const QString &line : logged + shown)
            QVERIFY2(!line.contains(QStringLiteral("mek_vort")), qPrintable(line));
    }
};

QTEST_MAIN(TestPassword)
#include "tst_password.moc"
