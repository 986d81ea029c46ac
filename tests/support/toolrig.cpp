#include "support/toolrig.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QModbusRtuSerialMaster>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include "link/portlist.h"

using namespace morlenta;

using VTA = ValveTestAccess;

ToolRig::~ToolRig()
{
    valve.reset();
    qunsetenv(link::kExtraPortsVariable);
}

bool ToolRig::start(const QString &port, int baud, const QStringList &listed)
{
    qputenv(link::kExtraPortsVariable, (listed.isEmpty() ? port : listed.join(':')).toUtf8());
    valve = std::make_unique<Valve>();
    VTA::clientTiming(*valve) = {m_timeoutMs, m_retries}; // taken when a port is opened
    ui = VTA::ui(*valve);
    messages.clear();
    QObject::connect(valve->statusBar(), &QStatusBar::messageChanged, [this](const QString &m) {
        if (!m.isEmpty())
            messages.append(m);
    });
    ui->dev_br_1->setCurrentIndex(ui->dev_br_1->findData(baud));
    const int index = ui->ports->findText(port);
    // The constructor's refresh has seen the first entry. A refresh releases an open port whose
    // entry differs from the one it saw last.
    int refreshes = 0;
    QObject context;
    QObject::connect(VTA::portTimer(*valve), &QTimer::timeout, &context, [&] { ++refreshes; });
    ui->ports->setCurrentIndex(index);
    return index >= 0 && ui->dev_br_1->currentData() == baud &&
           (index == 0 || QTest::qWaitFor([&] { return refreshes > 0; }, SimHarness::kWaitMs));
}

bool ToolRig::connectDevice()
{
    ui->conn_dev->click();
    return QTest::qWaitFor([this] { return led() == Led::Green && awake(); }, SimHarness::kWaitMs);
}

bool ToolRig::openAndRead()
{
    return open() && connectDevice() &&
           QTest::qWaitFor([this] { return blockDecoded() && outstanding() == 0; },
                           SimHarness::kWaitMs);
}

QVector<quint16> ToolRig::config() const
{
    const auto &copy = VTA::config(*valve);
    return QVector<quint16>(copy.cbegin(), copy.cend());
}

int ToolRig::outstanding() const
{
    const auto replies = VTA::client(*valve)->findChildren<QModbusReply *>();
    return int(std::count_if(replies.cbegin(), replies.cend(),
                             [](const QModbusReply *r) { return !r->isFinished(); }));
}

bool ToolRig::settle(int timeoutMs)
{
    return QTest::qWaitFor(
        [this] { return outstanding() == 0 && !VTA::probeTimer(*valve)->isActive(); }, timeoutMs);
}

ToolRig::Led ToolRig::led() const
{
    const QColor c = ui->led->grab().toImage().pixelColor(ui->led->rect().center());
    if (c.red() > 200 && c.blue() < 80)
        return c.green() < 80 ? Led::Red : c.green() > 200 ? Led::Yellow : Led::Other;
    return c.red() < 80 && c.green() > 90 && c.blue() < 80 ? Led::Green : Led::Other;
}

QString ToolRig::linkStateProblem() const
{
    const bool open = connected();
    const Led shown = led();
    QStringList problems;
    if (open ? shown == Led::Red || shown == Led::Other : shown != Led::Red)
        problems << QString::asprintf("LED %d over an %s port", int(shown),
                                      open ? "open" : "closed");
    if (ui->connect->text() !=
        (open ? QStringLiteral("освободить порт") : QStringLiteral("занять порт")))
        problems << QStringLiteral("connect reads ") + ui->connect->text();
    const QWidget *group[] = {ui->ports,    ui->dev_id_1,  ui->dev_br_1,
                              ui->dev_db_1, ui->dev_par_1, ui->dev_sb_1};
    for (const QWidget *w : group)
        if (w->isEnabled() == open)
            problems << w->objectName() + (open ? " enabled" : " disabled");
    // Closed, only the connection page is usable; green, the settings and inputs pages are too.
    for (const QWidget *page : {ui->Sett_Tab, ui->Ins_Tab}) {
        const bool enabled = page->isEnabled();
        if (open ? shown == Led::Green && !enabled : enabled)
            problems << page->objectName() + (enabled ? " enabled" : " disabled");
    }
    if (!open && ui->GBox_2->isEnabled())
        problems << QStringLiteral("commands enabled");
    return problems.join(QStringLiteral("; "));
}

QString ToolRig::writtenBlockProblem(const QVector<quint16> &written,
                                     const QVector<quint16> &served,
                                     const QHash<int, quint16> &edits)
{
    if (served.size() != device::kBlockWords || written.size() != device::kBlockWords)
        return QString::asprintf("%d words written, %d served", written.size(), served.size());
    QStringList wrong;
    for (int w = 0; w < device::kBlockWords; ++w)
        if (written[w] != edits.value(w, served[w]))
            wrong << QString::asprintf("word %d written %d, served %d", w, written[w], served[w]);
    return wrong.join(QStringLiteral("; "));
}

double ToolRig::cpuShare(int windowMs)
{
    const auto cpuUs = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
               usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
    };
    const qint64 before = cpuUs();
    QElapsedTimer window;
    window.start();
    QEventLoop loop; // as the application's, unlike qWait(), which sleeps between rounds
    QTimer::singleShot(windowMs, &loop, &QEventLoop::quit);
    loop.exec();
    return double(cpuUs() - before) / (window.nsecsElapsed() / 1000);
}
