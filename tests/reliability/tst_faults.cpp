// The fault matrix: what the controller or the line can do wrong, met while the configuration is
// read, while it is written and while live values are polled. Every row first shows that its
// fault happened, then ends with the same checks: the link state agrees with the port, nothing
// was written but the block read with the one edit made on the form, and the next user action
// works once the controller answers again. CTest runs the three phases side by side.
#include <QtTest>

#include <functional>

#include "support/toolrig.h"

using VTA = ValveTestAccess;

namespace {

enum Phase { Read, Write, Live };
constexpr int kClock = 36861;             // the first read of every poll cycle
const QHash<int, quint16> kEdit{{74, 7}}; // AN_Filt, which the simulator holds at 4
const QStringList kAwake{"--awake"};
// A time-out as the status bar shows it: Qt's error code, in hex.
const QString kReadTimeout = "Request timeout\\. \\(code: 0x5\\)$";
const QString kWriteTimeout = "^ошибка записи : Request timeout\\. \\(код : 0x5\\)$";

struct Rig
{
    SimHarness h;
    ToolRig r{300, 1};       // a request left unanswered costs 0.6 s
    QVector<quint16> config; // the configuration copy as the phase starts
    QStringList form;        // and the settings pages
};
using Happened = std::function<bool(Rig &)>; // the row's fault showed as it should

QStringList formOf(const Ui::Valve *ui)
{
    QStringList state{ui->ID->text()};
    for (const QComboBox *box : ui->Sett_Tab->findChildren<QComboBox *>())
        state << box->currentText();
    for (const QDoubleSpinBox *box : ui->Sett_Tab->findChildren<QDoubleSpinBox *>())
        state << QString::number(box->value());
    return state;
}

bool waitFor(const std::function<bool()> &done)
{
    return QTest::qWaitFor(done, SimHarness::kWaitMs);
}

// Until the client sends a request again: a probe left unanswered, or any other request.
bool retried(const Rig &c)
{
    return c.h.waitFor([](const QVector<SimRequest> &log) {
        for (int i = 1; i < log.size(); ++i)
            if (log[i].is(log[i - 1].fn, log[i - 1].start) && log[i].values == log[i - 1].values &&
                (!log[i - 1].answered || log[i].start != kProbe))
                return true;
        return false;
    });
}

// Until a status message matches the regular expression.
bool says(const Rig &c, const QString &pattern)
{
    return waitFor([&] { return !c.r.messages.filter(QRegularExpression(pattern)).isEmpty(); });
}

bool exceptionShown(const Rig &c, int code)
{
    return says(c, QString("Modbus Exception Response\\..*: 0x%1\\)$").arg(code));
}

bool noError(const Rig &c)
{
    return c.r.messages.filter("error").isEmpty() && c.r.messages.filter("ошибка").isEmpty();
}

bool unchanged(const Rig &c)
{
    return c.r.config() == c.config && formOf(c.r.ui) == c.form && !c.r.blockDecoded();
}

int logged(const Rig &c, int fn, int start)
{
    return c.h.requests(fn, start).size();
}

bool shownText(const QLabel *label)
{
    return waitFor([&] { return !label->text().isEmpty(); });
}

bool applied(const Rig &c)
{
    return waitFor([&] { return logged(c, kWriteOne, kApply) > 0; });
}

// The start of the request that follows the first one `first` picks and its retries, and how
// long after them it came; -1 when none follows.
QPair<int, qint64> nextAfter(const Rig &c, const std::function<bool(const SimRequest &)> &first)
{
    QPair<int, qint64> next{-1, 0};
    c.h.waitFor([&](const QVector<SimRequest> &l) {
        const auto at = std::find_if(l.cbegin(), l.cend(), first);
        const auto after =
            std::find_if(at, l.cend(), [&](auto &q) { return !q.is(at->fn, at->start); });
        if (at != l.cend() && after != l.cend())
            next = {after->start, after->ms - (after - 1)->ms};
        return next.first >= 0;
    });
    return next;
}

// A live read left unanswered ends its tick and the controller counts as asleep at once: a
// probe follows within a tick (not the rest of the tick, nor a probe after the online time).
bool probedAfterTimeout(const Rig &c)
{
    const auto next = nextAfter(c, [](const SimRequest &q) { return !q.answered; });
    return next.first == kProbe && next.second < 3000;
}

// The line goes: the port is released with the connect error, every reply waiting in the client
// ends, nothing keeps running, and the tool does not spin on the dead port: from the moment the
// release shows, it takes under 5 % of a core over 2 s (the port list is still refreshed every
// second).
bool lose(Rig &c)
{
    c.h.stopLine();
    if (!waitFor([&] { return !c.r.connected() && c.r.outstanding() == 0; }) ||
        c.r.messages.filter("ошибка подключения : ").isEmpty())
        return false;
    const double cpu = ToolRig::cpuShare(2000);
    if (cpu >= 0.05)
        qWarning("%.1f %% of a core after the release", cpu * 100);
    return cpu < 0.05 && !VTA::pollTimer(*c.r.valve)->isActive() && !c.r.awake();
}

} // namespace

Q_DECLARE_METATYPE(Happened)

// A row: the simulator's options while the fault lasts (without "--awake", the tool counts the
// controller as asleep as the phase starts), and what shows that the fault happened.
static void row(const char *name, const QStringList &fault, const Happened &happened)
{
    QTest::newRow(name) << fault << happened;
}

class TestFaults : public QObject
{
    Q_OBJECT

    void columns()
    {
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<Happened>("happened");
    }
    void run(Phase phase);

private slots:
    void read_data();
    void read() { run(Read); }
    void write_data();
    void write() { run(Write); }
    void live_data();
    void live() { run(Live); }
};

// Connecting: a probe, the block and register 153.
void TestFaults::read_data()
{
    columns();
    row("never wakes", {"--never-wake"}, [](Rig &c) {
        return c.r.settle() && retried(c) && c.r.pending() == morlenta::link::ConnectDevice;
    });
    row("wakes late", {"--wake-at", "6"}, [](Rig &c) {
        return c.r.settle() && c.r.blockDecoded() && retried(c) && logged(c, kRead, kBlock) == 1;
    });
    row("falls asleep mid-command", {"--sleep-after", "1"},
        [](Rig &c) { return c.r.settle() && retried(c) && says(c, kReadTimeout) && unchanged(c); });
    row("exception 1", {"--exception", "84:1"},
        [](Rig &c) { return c.r.settle() && exceptionShown(c, 1) && unchanged(c); });
    row("bad CRC", {"--bad-crc-every", "2"},
        [](Rig &c) { return c.r.settle() && c.r.blockDecoded() && retried(c) && noError(c); });
    row("short reply", {"--short-reply"}, [](Rig &c) {
        return c.r.settle() && c.h.requests(kRead, kBlock).value(0).served.size() == 84 &&
               unchanged(c);
    });
    row("silence", {"--silent-after", "1"},
        [](Rig &c) { return c.r.settle() && retried(c) && says(c, kReadTimeout) && unchanged(c); });
    row("port lost", {"--silent-after", "1"},
        [](Rig &c) { return waitFor([&] { return logged(c, kRead, kBlock) > 0; }) && lose(c); });
}

// Applying the form with one edit: the block, the apply word, release, reopen and read back.
void TestFaults::write_data()
{
    columns();
    row("never wakes", {"--never-wake"}, [](Rig &c) {
        return c.r.settle() && retried(c) && logged(c, kWriteMany, kBlock) == 0 &&
               c.r.pending() == morlenta::link::ApplyConfig;
    });
    row("wakes late", {"--wake-at", "6"},
        [](Rig &c) { return applied(c) && retried(c) && logged(c, kWriteMany, kBlock) == 1; });
    row("falls asleep mid-command", {"--awake", "--sleep-after", "1"},
        [](Rig &c) { return says(c, kWriteTimeout) && logged(c, kWriteOne, kApply) == 2; });
    row("exception 2", {"--awake", "--exception", "256:2"},
        [](Rig &c) { return exceptionShown(c, 2); });
    row("wrong address", {"--awake", "--wrong-address-every", "2"},
        [](Rig &c) { return applied(c) && retried(c) && noError(c); });
    // The block goes out; the reconnect's read of it comes back one word short.
    row("short reply", {"--awake", "--short-reply"}, [](Rig &c) {
        if (!applied(c))
            return false;
        c.config = c.r.config();
        c.form = formOf(c.r.ui);
        return waitFor([&] { return logged(c, kRead, kBlock) == 2; }) && c.r.settle() &&
               unchanged(c);
    });
    row("silence", {"--awake", "--silent-after", "1"},
        [](Rig &c) { return says(c, kWriteTimeout) && retried(c); });
    // Before the release at 3 s: both delayed toggles then fail to open the port.
    row("port lost", kAwake, [](Rig &c) {
        return applied(c) && c.r.settle() && lose(c) &&
               waitFor([&] { return c.r.pending() == morlenta::link::ConnectDevice; }) &&
               !c.r.connected();
    });
}

// The inputs page polled once a second: the clock, the valve, the charge, the temperature and
// the values of input 1 (counting) and input 2 (current).
void TestFaults::live_data()
{
    columns();
    // No live read goes to a controller that has not answered the probe.
    row("never wakes", {"--never-wake"}, [](Rig &c) {
        return waitFor([&] { return logged(c, kRead, kProbe) >= 4; }) && retried(c) &&
               c.r.outstanding() <= 2 && logged(c, kRead, kClock) == 0;
    });
    row("wakes late", {"--wake-at", "6"},
        [](Rig &c) { return shownText(c.r.ui->time) && retried(c); });
    row("falls asleep mid-cycle", {"--awake", "--sleep-after", "8"},
        [](Rig &c) { return says(c, kReadTimeout) && retried(c) && probedAfterTimeout(c); });
    // The tick goes on with input 1's first counter.
    row("exception 3", {"--awake", "--exception", "36859:3"}, [](Rig &c) {
        return exceptionShown(c, 3) && shownText(c.r.ui->time) &&
               c.r.ui->core_temp->text().isEmpty() &&
               nextAfter(c, [](const SimRequest &q) { return q.start == 36859; }).first == 32771;
    });
    row("exception 4", {"--awake", "--exception", "259:4"}, [](Rig &c) {
        c.r.ui->RES_1->click();
        return exceptionShown(c, 4);
    });
    row("truncated reply", {"--awake", "--truncate-every", "2"},
        [](Rig &c) { return shownText(c.r.ui->core_temp) && retried(c) && noError(c); });
    row("short reply", {"--awake", "--short-reply"}, [](Rig &c) {
        return shownText(c.r.ui->sol_state) && c.r.ui->time->text().isEmpty() &&
               c.r.ui->CT1_Imp_LCD->value() == 0;
    });
    row("silence", {"--awake", "--silent-after", "5"},
        [](Rig &c) { return says(c, kReadTimeout) && retried(c) && c.r.outstanding() <= 2; });
    row("port lost", kAwake, [](Rig &c) {
        return shownText(c.r.ui->time) && lose(c) && VTA::liveInFlight(*c.r.valve) == 0;
    });
}

void TestFaults::run(Phase phase)
{
    QFETCH(QStringList, fault);
    QFETCH(Happened, happened);
    const bool asleep = !fault.contains("--awake");
    Rig c;
    QVERIFY(c.h.start(phase == Read ? fault : kAwake));
    QVERIFY(c.r.start(c.h.toolPort()));
    QVERIFY(phase == Read ? c.r.open() : c.r.openAndRead());
    if (phase != Read) {
        QVERIFY(c.h.restartSim(fault));
        if (asleep)
            VTA::inactivityTimer(*c.r.valve)->start(0); // its online time runs out now
        QTRY_VERIFY(c.r.awake() != asleep);
    }
    c.config = c.r.config();
    c.form = formOf(c.r.ui);
    c.r.messages.clear();
    if (phase == Read) {
        c.r.ui->conn_dev->click();
    } else if (phase == Write) {
        c.r.ui->AN_Filt->setCurrentIndex(kEdit.cbegin().value());
        c.r.ui->write_sett->click();
    } else {
        c.r.showPage(c.r.ui->Ins_Tab);
    }
    QVERIFY2(happened(c), qPrintable(c.r.messages.join(" | ")));

    // A block that went out is followed by the release at 3 s and the reopening at 4 s.
    const auto reopened = [&] {
        const int released = c.r.messages.indexOf("порт освобождён");
        return released >= 0 && c.r.messages.lastIndexOf("порт занят") > released && c.r.settle();
    };
    if (phase == Write && logged(c, kWriteMany, kBlock) > 0 && c.r.connected())
        QVERIFY(waitFor(reopened));
    QVERIFY2(c.r.linkStateProblem().isEmpty(), qPrintable(c.r.linkStateProblem()));

    // Recovery: the controller answers again, and the user's next action works.
    if (!QFileInfo::exists(c.h.toolPort()))
        QVERIFY(c.h.restartLine());
    QVERIFY(c.h.restartSim(kAwake));
    if (phase == Live && c.r.connected()) {
        const QString clock = c.r.ui->time->text();
        QVERIFY(waitFor(
            [&] { return !c.r.ui->time->text().isEmpty() && c.r.ui->time->text() != clock; }));
    } else {
        QVERIFY(c.r.connected() || c.r.open());
        const int reads = logged(c, kRead, kBlock);
        (c.r.ui->read_sett->isEnabled() ? c.r.ui->read_sett : c.r.ui->conn_dev)->click();
        QVERIFY(waitFor([&] { return logged(c, kRead, kBlock) > reads && c.r.settle(); }));
        QCOMPARE(c.r.config(), c.h.requests(kRead, kBlock).last().served);
    }

    // Only the write phase writes the block, and every block written is the block last served
    // with the edit (a retried write repeats it).
    QVector<quint16> served;
    for (const SimRequest &q : c.h.requests()) {
        if (q.is(kRead, kBlock) && q.served.size() == morlenta::device::kBlockWords)
            served = q.served;
        if (q.is(kWriteMany, kBlock)) {
            QVERIFY(phase == Write);
            const QString problem = ToolRig::writtenBlockProblem(q.values, served, kEdit);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
        }
    }
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
