// The bench programs and driver against the simulated controller: every figure yields samples,
// the reference clients send exactly the tool's cycle, and a line handed from one master to the
// next carries no stale reply. Nothing here looks at how long anything took.
#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include "bench/line.h"
#include "bench/runner.h"
#include "bench/wirelimit.h"

using namespace bench;

namespace {

constexpr int kWaitMs = 30000;

QVector<Read> readsInLog(const QString &path)
{
    QVector<Read> reads;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return reads;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("fn")).toInt() == 3)
            reads.append({quint16(o.value(QStringLiteral("start")).toInt()),
                          quint16(o.value(QStringLiteral("count")).toInt())});
    }
    return reads;
}

bool sameReads(const QVector<Read> &a, const QVector<Read> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a.at(i).start != b.at(i).start || a.at(i).count != b.at(i).count)
            return false;
    return true;
}

QStringList simArgs()
{
    return {QStringLiteral("--awake"),  QStringLiteral("--baud"), QStringLiteral("115200"),
            QStringLiteral("--input1"), QStringLiteral("3"),      QStringLiteral("--input2"),
            QStringLiteral("4")};
}

// Runs a bench program on `line` and returns its standard output; empty when it failed.
QByteArray runOn(const Line &line, const QString &program, QStringList args)
{
    QProcess p;
    args << QStringLiteral("--port") << line.toolPort() << QStringLiteral("--baud")
         << QStringLiteral("115200");
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << program << p.readAllStandardError().right(2000);
        return QByteArray();
    }
    return p.readAllStandardOutput();
}

// The probe frame: read of 36858, one register, from server 1.
const QByteArray kProbe = QByteArray::fromHex("01038ffa00018eef");

QByteArray readPending(int fd)
{
    QByteArray got;
    char buffer[64];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        got.append(buffer, int(n));
    return got;
}

} // namespace

class tst_BenchE2E : public QObject
{
    Q_OBJECT

    const Row *find(const QVector<Row> &rows, const QString &start, int baud)
    {
        for (const Row &r : rows)
            if (r.figure.startsWith(start) && r.baud == baud)
                return &r;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        if (QStringLiteral(MORLENTA_SIM_PATH).isEmpty())
            QSKIP("morlenta-sim is not built");
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("socat is not installed");
    }

    // A master that goes away after the reply came in but before it read it leaves the reply at
    // the tool's end, where the next master reads it as the answer to its own request.
    void drainedLineCarriesNoStaleReply()
    {
        Line line(QStringLiteral(MORLENTA_SIM_PATH), simArgs(), true);
        QString error;
        QVERIFY2(line.start(&error), qPrintable(error));
        const QByteArray path = QFile::encodeName(line.toolPort());

        for (bool drain : {false, true}) {
            const int before = line.dump().count('<');
            int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, kProbe.constData(), size_t(kProbe.size())),
                     ssize_t(kProbe.size()));
            QTRY_VERIFY_WITH_TIMEOUT(line.dump().count('<') > before, kWaitMs);
            ::close(fd); // the reply is in, unread
            if (drain)
                line.drainToolEnd(100); // as between two mbpoll runs
            fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(fd >= 0);
            const QByteArray stale = readPending(fd);
            ::close(fd);
            QCOMPARE(stale, drain ? QByteArray() : QByteArray::fromHex("010302face7b70"));
        }
    }

    // The bare client and the tool put the same 16 reads on the line, in the same order.
    void referenceClientSendsTheToolsCycle()
    {
        Line bare(QStringLiteral(MORLENTA_SIM_PATH), simArgs(), false);
        QString error;
        QVERIFY2(bare.start(&error), qPrintable(error));
        const QByteArray out = runOn(bare, QStringLiteral(MORLENTA_BENCH_BARE),
                                     {QStringLiteral("--cycles"), QStringLiteral("2")});
        QCOMPARE(out.count("\"replies\":16"), 2);
        QCOMPARE(out.count("\"errors\":0"), 2);
        QVERIFY(sameReads(readsInLog(bare.logPath()), heaviestCycle() + heaviestCycle()));

        Line tool(QStringLiteral(MORLENTA_SIM_PATH), simArgs(), false);
        QVERIFY2(tool.start(&error), qPrintable(error));
        const QByteArray cycle =
            runOn(tool, QStringLiteral(MORLENTA_BENCH_TOOL),
                  {QStringLiteral("--figure"), QStringLiteral("cycle"), QStringLiteral("--count"),
                   QStringLiteral("1"), QStringLiteral("--hidden")});
        QCOMPARE(cycle.count("\"figure\":\"cycle\""), 1);
        QVERIFY(cycle.contains("\"replies\":16"));
        QVERIFY(cycle.contains("\"errors\":0"));
        // the cycle is the last thing the tool sends
        const QVector<Read> sent = readsInLog(tool.logPath());
        QVERIFY(sent.size() >= 16);
        QVERIFY(sameReads(sent.mid(sent.size() - 16), heaviestCycle()));
    }

    // Every figure of the driver comes back with samples and without failed replies.
    void driverMeasuresEveryFigure()
    {
        RunnerOptions o;
        o.toolPath = QStringLiteral(MORLENTA_BENCH_TOOL);
        o.barePath = QStringLiteral(MORLENTA_BENCH_BARE);
        o.simPath = QStringLiteral(MORLENTA_SIM_PATH);
        o.cycles = 2;
        o.rounds = 1;
        o.reps = 2;
        o.polls = 3;
        o.soakMinutes = 0.05;
        o.bauds = {115200};
        o.slowLine = false;
        const bool mbpoll = !QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty();
        if (!mbpoll)
            o.only = QStringList{QStringLiteral("cycle"), QStringLiteral("config"),
                                 QStringLiteral("click"), QStringLiteral("turnaround"),
                                 QStringLiteral("start"), QStringLiteral("soak")};
        const QVector<Row> rows = Runner(o).run();

        for (const Row &r : rows) {
            QVERIFY2(r.s.n > 0, qPrintable(r.figure));
            QVERIFY2(!r.figure.contains(QStringLiteral("failed")), qPrintable(r.figure));
        }
        const QVector<QPair<QString, int>> expected = {
            {QStringLiteral("Live poll cycle"), 2},
            {QStringLiteral("Same 16 reads, bare"), 2},
            {QStringLiteral("Same cycle, tool with its window never shown"), 2},
            {QStringLiteral("Configuration read: read_sett -> form decoded"), 2},
            {QStringLiteral("Configuration read: read_sett -> both reads"), 2},
            {QStringLiteral("Click"), 2}, // every click found on the line
        };
        for (const auto &[figure, n] : expected) {
            const Row *r = find(rows, figure, 115200);
            QVERIFY2(r, qPrintable(figure));
            QCOMPARE(r->s.n, n);
            QVERIFY(r->s.min >= 0);
        }
        QVERIFY(find(rows, QStringLiteral("Turnaround on the line: reply -> next request (tool)"),
                     115200));
        QVERIFY(find(rows, QStringLiteral("Turnaround on the line: reply -> next request (bare"),
                     115200));
        if (mbpoll)
            QVERIFY(find(rows, QStringLiteral("Same 16 reads, mbpoll"), 115200));
        const Row *start = find(rows, QStringLiteral("Start: launch -> first frame painted"), 0);
        QVERIFY(start);
        QCOMPARE(start->s.n, 2);
        const Row *rss = find(rows, QStringLiteral("RSS after"), 9600);
        QVERIFY(rss);
        QVERIFY(rss->s.min > 0);
    }
};

QTEST_MAIN(tst_BenchE2E)
#include "tst_bench_e2e.moc"
