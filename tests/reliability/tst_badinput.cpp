// Bad input from the environment and the user: entries of MORLENTA_EXTRA_PORTS that are no
// serial device fail like any port that cannot be opened and touch nothing; the service
// password never reaches a log line or the status bar.
#include <QtTest>

#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "link/portlist.h"
#include "support/valvetestaccess.h"

using VTA = ValveTestAccess;

namespace {

constexpr int kWaitMs = 30000;
const QLatin1String kRed("background-color: rgb(255, 0, 0)");

// What a directory holds, with sizes and modification times: any write shows.
QStringList listing(const QString &path)
{
    QStringList out;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::System |
                                                           QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : entries)
        out << info.fileName() + QLatin1Char(' ') + QString::number(info.size()) +
                   QLatin1Char(' ') + info.lastModified().toString(Qt::ISODateWithMs);
    return out;
}

// The lock files the serial port library keeps (while a port is open) whose names contain `key`;
// other tests running at the same time lock their own ports.
QStringList lockFiles(const QString &key)
{
    QStringList found;
    for (const char *folder : {"/run/lock", "/var/lock"})
        for (const QString &line : listing(QString::fromLatin1(folder)))
            if (line.contains(key))
                found << line;
    return found;
}

QStringList capturedMessages;
void capture(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages << message;
}

} // namespace

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void unopenablePort_data();
    void unopenablePort();
    void passwordIsNeverLogged();
};

void TestBadInput::cleanup()
{
    qunsetenv(link::kExtraPortsVariable);
}

void TestBadInput::unopenablePort_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("regular file") << QStringLiteral("file");
    QTest::newRow("directory") << QStringLiteral("dir");
    QTest::newRow("missing path") << QStringLiteral("missing");
    QTest::newRow("fifo") << QStringLiteral("fifo");
    QTest::newRow("not a tty") << QStringLiteral("/dev/null");
    QTest::newRow("name too long") << QStringLiteral("long");
}

// Opening fails with "ошибка подключения : " and the client's reason, the link stays closed,
// and nothing in the file system changes: not the entry, not its folder, no lock file left.
void TestBadInput::unopenablePort()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString entry = dir.filePath(QStringLiteral("entry"));
    if (kind == QLatin1String("file")) {
        QFile file(entry);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a serial port\n");
    } else if (kind == QLatin1String("dir")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("entry")));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(mkfifo(QFile::encodeName(entry).constData(), 0600), 0);
    } else if (kind == QLatin1String("long")) {
        entry = dir.filePath(QString(300, QLatin1Char('x')));
    } else if (kind.startsWith(QLatin1Char('/'))) {
        entry = kind;
    }
    const QStringList folderBefore = listing(dir.path());
    const QStringList entryBefore = QFileInfo(entry).isDir() ? listing(entry) : QStringList();
    const QString lockKey = kind.startsWith(QLatin1Char('/')) ? QFileInfo(kind).fileName()
                                                              : QFileInfo(dir.path()).fileName();
    const QStringList locksBefore = lockFiles(lockKey);

    qputenv(link::kExtraPortsVariable, QFile::encodeName(entry));
    Valve v;
    Ui::Valve *ui = VTA::ui(v);
    const int index = ui->ports->findText(entry);
    QVERIFY(index >= 0);
    ui->ports->setCurrentIndex(index);
    QSignalSpy refreshed(VTA::portTimer(v), &QTimer::timeout);
    QVERIFY(refreshed.wait(kWaitMs));

    ui->connect->click();
    QModbusRtuSerialMaster *client = VTA::client(v);
    QVERIFY(client);
    QVERIFY(client->state() != QModbusDevice::ConnectedState);
    QVERIFY(!client->errorString().isEmpty());
    QCOMPARE(v.statusBar()->currentMessage(),
             QStringLiteral("ошибка подключения : ") + client->errorString());
    QVERIFY(ui->led->styleSheet().contains(kRed));
    QCOMPARE(ui->connect->text(), QStringLiteral("занять порт"));
    QVERIFY(ui->ports->isEnabled());
    QVERIFY(!ui->Main_Tab_Widget->isTabEnabled(ui->Main_Tab_Widget->indexOf(ui->Sett_Tab)));

    // A second attempt fails the same way.
    ui->connect->click();
    QVERIFY(client->state() != QModbusDevice::ConnectedState);
    QCOMPARE(v.statusBar()->currentMessage(),
             QStringLiteral("ошибка подключения : ") + client->errorString());

    QCOMPARE(listing(dir.path()), folderBefore);
    if (QFileInfo(entry).isDir())
        QCOMPARE(listing(entry), entryBefore);
    if (kind == QLatin1String("file")) {
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a serial port\n"));
    }
    QCOMPARE(lockFiles(lockKey), locksBefore);
}

// The service password unlocks the identifier field and goes nowhere else: no debug line and
// no status message carries it.
void TestBadInput::passwordIsNeverLogged()
{
    Valve v;
    Ui::Valve *ui = VTA::ui(v);
    capturedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(capture);
    QStringList shown;
    connect(v.statusBar(), &QStatusBar::messageChanged, [&](const QString &m) { shown << m; });

    // The settings page as connecting leaves it, the service page as the hidden gesture does.
    ui->Main_Tab_Widget->setTabEnabled(ui->Main_Tab_Widget->indexOf(ui->Sett_Tab), true);
    ui->Sub_Sett_TabWidget->setTabEnabled(ui->Sub_Sett_TabWidget->indexOf(ui->service_tab), true);
    QTest::keyClicks(ui->service_pass, QStringLiteral("mek_vorta"));
    const bool unlocked = ui->device_id->isEnabled();
    QTest::keyClick(ui->service_pass, Qt::Key_Backspace);
    QTest::keyClicks(ui->service_pass, QStringLiteral("a"));
    VTA::encode(v);
    qInstallMessageHandler(previous);

    QVERIFY(unlocked);
    QCOMPARE(ui->service_pass->echoMode(), QLineEdit::Password);
    for (const QString &line : capturedMessages + shown)
        QVERIFY2(!line.contains(QStringLiteral("mek_vort")), qPrintable(line));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
