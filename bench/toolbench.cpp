#include "bench/toolbench.h"

#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QModbusReply>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

#include "bench/clock.h"
#include "bench/jsonline.h"
#include "support/valvetestaccess.h"

namespace bench {

namespace {

constexpr int kConnectMs = 30000;
constexpr int kReplyMs = 30000; // far above any answered exchange, even at 1200 baud
constexpr int kRestMs = 150;    // idle line between two clicks
constexpr const char *kSeen = "benchSeen";

int pageIndex(Valve &v, QWidget *page)
{
    return ValveTestAccess::ui(v)->Main_Tab_Widget->indexOf(page);
}

// Replies the client holds that no meter has seen yet and that are still waiting; marks them.
QVector<QModbusReply *> newReplies(Valve &v)
{
    QVector<QModbusReply *> out;
    const auto replies = ValveTestAccess::client(v)->findChildren<QModbusReply *>(
        QString(), Qt::FindDirectChildrenOnly);
    for (QModbusReply *reply : replies) {
        if (reply->property(kSeen).toBool())
            continue;
        reply->setProperty(kSeen, true);
        if (!reply->isFinished())
            out.append(reply);
    }
    return out;
}

int outstanding(Valve &v)
{
    int n = 0;
    for (const QModbusReply *reply : ValveTestAccess::client(v)->findChildren<QModbusReply *>())
        n += reply->isFinished() ? 0 : 1;
    return n;
}

void rest(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `quit` is called or `timeoutMs` passes; false on the time-out.
class Wait
{
public:
    bool exec(int timeoutMs)
    {
        bool timedOut = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &m_loop, [this, &timedOut] {
            timedOut = true;
            m_loop.quit();
        });
        deadline.start(timeoutMs);
        m_loop.exec();
        return !timedOut;
    }
    void quit() { m_loop.quit(); }

private:
    QEventLoop m_loop;
};

void fail(const char *what)
{
    std::fprintf(stderr, "morlenta-bench-tool: %s\n", what);
}

// Poll cycles from the poll timer's tick (its timer event, before the tool's handler runs) to the
// end of the handler of the cycle's last reply. After each tick it reports the requests waiting
// in the client and how many the tick sent (none while a cycle is still outstanding); for each
// reply, how long after its tick it was shown.
class CycleMeter : public QObject
{
public:
    CycleMeter(Valve &v, int cycles) : m_v(v), m_cycles(cycles)
    {
        QTimer *poll = ValveTestAccess::pollTimer(v);
        poll->installEventFilter(this);
        // connected after the window's own handler: runs once the tick's reads are queued
        connect(poll, &QTimer::timeout, this, [this] { afterTick(); });
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            m_tickNs = monotonicNs();
        return false;
    }

    bool run()
    {
        const bool done = m_wait.exec(m_cycles * 60000);
        ValveTestAccess::pollTimer(m_v)->removeEventFilter(this);
        disconnect(ValveTestAccess::pollTimer(m_v), nullptr, this, nullptr);
        return done;
    }

private:
    struct Pending
    {
        int sent = 0;
        int left = 0;
        int errors = 0;
        QJsonArray lagsMs; // tick -> each reply shown
    };

    void afterTick()
    {
        const int waiting = outstanding(m_v);
        const QVector<QModbusReply *> replies = newReplies(m_v);
        emitLine({{QStringLiteral("figure"), QStringLiteral("tick")},
                  {QStringLiteral("outstanding"), waiting},
                  {QStringLiteral("liveInFlight"), ValveTestAccess::liveInFlight(m_v)},
                  {QStringLiteral("sent"), replies.size()}});
        if (replies.isEmpty())
            return;
        const qint64 tick = m_tickNs;
        m_pending[tick] = {replies.size(), replies.size(), 0, {}};
        for (QModbusReply *reply : replies)
            connect(reply, &QModbusReply::finished, this, [this, reply, tick] {
                handled(tick, reply->error() != QModbusDevice::NoError);
            });
    }

    void handled(qint64 tick, bool error)
    {
        const qint64 now = monotonicNs();
        Pending &p = m_pending[tick];
        p.errors += error ? 1 : 0;
        p.lagsMs.append(msBetween(tick, now));
        if (--p.left > 0)
            return;
        emitLine({{QStringLiteral("figure"), QStringLiteral("cycle")},
                  {QStringLiteral("ms"), msBetween(tick, now)},
                  {QStringLiteral("replies"), p.sent},
                  {QStringLiteral("errors"), p.errors},
                  {QStringLiteral("lagsMs"), p.lagsMs}});
        m_pending.remove(tick);
        if (++m_recorded >= m_cycles)
            m_wait.quit();
    }

    Valve &m_v;
    const int m_cycles;
    Wait m_wait;
    qint64 m_tickNs = 0;
    QMap<qint64, Pending> m_pending;
    int m_recorded = 0;
};

// Clicks `button` and waits for the replies of the requests it sent; `onReply` gets each finished
// reply with the time its handlers ended. False when nothing was sent or a reply did not come.
bool clickAndWait(Valve &v, QAbstractButton *button,
                  const std::function<void(QModbusReply *, qint64)> &onReply, int *sent)
{
    button->click();
    const QVector<QModbusReply *> replies = newReplies(v);
    *sent = replies.size();
    if (replies.isEmpty())
        return false;
    Wait wait;
    int left = replies.size();
    QObject context;
    for (QModbusReply *reply : replies)
        QObject::connect(reply, &QModbusReply::finished, &context, [&, reply] {
            onReply(reply, monotonicNs());
            if (--left == 0)
                wait.quit();
        });
    return wait.exec(kReplyMs);
}

} // namespace

qint64 procStatusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

FirstFrame::FirstFrame(QWidget *widget, std::function<void(qint64, qint64)> painted)
    : m_widget(widget), m_painted(std::move(painted))
{
    qApp->installEventFilter(this);
}

bool FirstFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (m_seen || event->type() != QEvent::Paint)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || (widget != m_widget && !m_widget->isAncestorOf(widget)))
        return false;
    m_seen = true;
    qApp->removeEventFilter(this);
    const qint64 paintNs = monotonicNs();
    QTimer::singleShot(0, this, [this, paintNs] { m_painted(paintNs, monotonicNs()); });
    return false;
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    Wait wait;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            wait.quit();
    });
    poll.start(5);
    wait.exec(timeoutMs);
    return done();
}

bool connectTool(Valve &v, const QString &port, int baud, QString *error)
{
    Ui::Valve *ui = ValveTestAccess::ui(v);
    const int portIndex = ui->ports->findText(port);
    const int baudIndex = ui->dev_br_1->findData(baud);
    if (portIndex < 0 || baudIndex < 0) {
        *error = QStringLiteral("port or baud rate not offered");
        return false;
    }
    ui->ports->setCurrentIndex(portIndex);
    ui->dev_br_1->setCurrentIndex(baudIndex);
    // The port list refresh releases an open port whose entry changed: let it see the choice
    // before the port is opened.
    bool refreshed = false;
    QObject context;
    QObject::connect(ValveTestAccess::portTimer(v), &QTimer::timeout, &context,
                     [&refreshed] { refreshed = true; });
    waitUntil([&refreshed] { return refreshed; }, 5000);

    ui->connect->click();
    if (ValveTestAccess::client(v)->state() != QModbusDevice::ConnectedState) {
        *error = QStringLiteral("the port did not open");
        return false;
    }
    ui->conn_dev->click();
    const bool ready = waitUntil(
        [&v, ui] {
            return ui->Main_Tab_Widget->isTabEnabled(pageIndex(v, ui->Ins_Tab)) &&
                   ValveTestAccess::awake(v) && ValveTestAccess::register153(v) != 0 &&
                   outstanding(v) == 0;
        },
        kConnectMs);
    if (!ready)
        *error = QStringLiteral("the controller did not connect");
    newReplies(v); // the connection's own replies are no samples
    return ready;
}

bool measureCycles(Valve &v, int cycles)
{
    Ui::Valve *ui = ValveTestAccess::ui(v);
    CycleMeter meter(v, cycles);
    ui->Main_Tab_Widget->setCurrentIndex(pageIndex(v, ui->Ins_Tab)); // starts the poll timer
    const bool done = meter.run();
    ui->Main_Tab_Widget->setCurrentIndex(0);
    if (!done)
        fail("the poll cycles did not complete");
    return done;
}

bool measureConfigReads(Valve &v, int reps)
{
    Ui::Valve *ui = ValveTestAccess::ui(v);
    ui->Main_Tab_Widget->setCurrentIndex(pageIndex(v, ui->Sett_Tab));
    for (int i = 0; i < reps; ++i) {
        rest(kRestMs);
        // Asleep, a click would first probe the controller: that is not the figure.
        if (!ValveTestAccess::awake(v)) {
            fail("the controller fell asleep");
            return false;
        }
        qint64 decodedNs = 0;
        qint64 doneNs = 0;
        int errors = 0;
        int sent = 0;
        const qint64 clickNs = monotonicNs();
        const bool ok = clickAndWait(
            v, ui->read_sett,
            [&](QModbusReply *reply, qint64 at) {
                errors += reply->error() != QModbusDevice::NoError ? 1 : 0;
                if (reply->result().startAddress() == 0)
                    decodedNs = at;
                doneNs = std::max(doneNs, at);
            },
            &sent);
        if (!ok || decodedNs == 0) {
            fail("a configuration read did not complete");
            return false;
        }
        emitLine({{QStringLiteral("figure"), QStringLiteral("config")},
                  {QStringLiteral("decodedMs"), msBetween(clickNs, decodedNs)},
                  {QStringLiteral("doneMs"), msBetween(clickNs, doneNs)},
                  {QStringLiteral("replies"), sent},
                  {QStringLiteral("errors"), errors}});
    }
    return true;
}

bool measureClicks(Valve &v, int reps)
{
    Ui::Valve *ui = ValveTestAccess::ui(v);
    // On the connection page the poll timer, restarted by the valve commands, sends nothing.
    ui->Main_Tab_Widget->setCurrentIndex(0);
    for (int i = 0; i < reps; ++i) {
        rest(kRestMs);
        QAbstractButton *button = i % 2 ? ui->sol_open : ui->sol_close;
        // Asleep, a click would first probe the controller: that is not the figure.
        if (!ValveTestAccess::awake(v)) {
            fail("the controller fell asleep");
            return false;
        }
        int errors = 0;
        int sent = 0;
        qint64 repliedNs = 0;
        const qint64 clickUs = wallClockUs();
        const qint64 clickNs = monotonicNs();
        const bool ok = clickAndWait(
            v, button,
            [&](QModbusReply *reply, qint64 at) {
                errors += reply->error() != QModbusDevice::NoError ? 1 : 0;
                repliedNs = at;
            },
            &sent);
        if (!ok) {
            fail("a valve command did not complete");
            return false;
        }
        emitLine({{QStringLiteral("figure"), QStringLiteral("click")},
                  {QStringLiteral("clickUs"), clickUs},
                  {QStringLiteral("replyMs"), msBetween(clickNs, repliedNs)},
                  {QStringLiteral("replies"), sent},
                  {QStringLiteral("errors"), errors}});
    }
    return true;
}

StartMemory startMemory()
{
    return {procStatusKb("VmRSS"), procStatusKb("RssAnon")};
}

bool soak(Valve &v, double minutes, const StartMemory &atStart)
{
    Ui::Valve *ui = ValveTestAccess::ui(v);
    const qint64 rssConnectedKb = procStatusKb("VmRSS");
    int ticks = 0;
    QObject context;
    QObject::connect(ValveTestAccess::pollTimer(v), &QTimer::timeout, &context,
                     [&ticks] { ++ticks; });
    ui->Main_Tab_Widget->setCurrentIndex(pageIndex(v, ui->Ins_Tab));
    rest(int(minutes * 60000));
    ui->Main_Tab_Widget->setCurrentIndex(0);
    emitLine({{QStringLiteral("figure"), QStringLiteral("soak")},
              {QStringLiteral("minutes"), minutes},
              {QStringLiteral("ticks"), ticks},
              {QStringLiteral("rssStartKb"), atStart.rssKb},
              {QStringLiteral("anonStartKb"), atStart.anonKb},
              {QStringLiteral("anonAfterKb"), procStatusKb("RssAnon")},
              {QStringLiteral("rssConnectedKb"), rssConnectedKb},
              {QStringLiteral("rssAfterKb"), procStatusKb("VmRSS")},
              {QStringLiteral("hwmKb"), procStatusKb("VmHWM")}});
    return ticks > 0;
}

} // namespace bench
