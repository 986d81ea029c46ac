#include "bench/runner.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "bench/clock.h"
#include "bench/line.h"

namespace bench {

namespace {

constexpr double kMbpollPauseMs = 11; // mbpoll's shortest poll rate ("> 10")
constexpr double kIdleLineMs = 200;   // a longer silence is the line resting between bursts
constexpr double kKbToMB = 1024 / 1e6;
constexpr int kTraceCycles = 5;

const QString kFigure = QStringLiteral("figure");

void progress(const QString &text)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
}

LineFormat line8N1(int baud)
{
    LineFormat line;
    line.baud = baud;
    return line;
}

QString cycleGoal(int baud)
{
    if (baud == 9600)
        return QStringLiteral("<= 1.10x limit");
    if (baud == 115200)
        return QStringLiteral("<= 1.15x limit");
    return QString();
}

QString qtDelayText(int baud)
{
    return QStringLiteral("Qt pause %1 ms, t3.5 %2 ms")
        .arg(qtInterFrameDelayMs(baud))
        .arg(t35Ms(line8N1(baud)), 0, 'f', 2);
}

QVector<double> scaled(QVector<double> values, double factor)
{
    for (double &v : values)
        v *= factor;
    return values;
}

QVector<double> lagsOf(const QVector<QJsonObject> &lines)
{
    QVector<double> out;
    for (const QJsonObject &line : lines)
        if (line.value(kFigure).toString() == QLatin1String("cycle"))
            for (const QJsonValue &lag : line.value(QStringLiteral("lagsMs")).toArray())
                out.append(lag.toDouble());
    return out;
}

// " (3 failed replies)" when any reply of the figure failed: such a figure is not a clean one.
QString failures(const QVector<QJsonObject> &lines)
{
    int errors = 0;
    for (const QJsonObject &line : lines)
        errors += line.value(QStringLiteral("errors")).toInt();
    return errors ? QStringLiteral(" (%1 failed replies)").arg(errors) : QString();
}

Row row(const char *id, const QString &figure, int baud, const char *unit,
        const QVector<double> &samples, double limit = 0)
{
    Row r;
    r.id = QLatin1String(id);
    r.figure = figure;
    r.baud = baud;
    r.unit = QLatin1String(unit);
    r.s = summarize(samples);
    r.limit = limit;
    return r;
}

// Where the measuring programs' windows go: the display the bench runs on, if any.
QString platformName()
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (!qpa.isEmpty())
        return QString::fromLocal8Bit(qpa);
    return qEnvironmentVariableIsSet("DISPLAY") ? QStringLiteral("xcb")
                                                : QStringLiteral("offscreen");
}

QStringList mbpollArgs(int baud, const Read &r, const QString &port)
{
    return {QStringLiteral("-m"),     QStringLiteral("rtu"),    QStringLiteral("-a"),
            QStringLiteral("1"),      QStringLiteral("-b"),     QString::number(baud),
            QStringLiteral("-d"),     QStringLiteral("8"),      QStringLiteral("-s"),
            QStringLiteral("1"),      QStringLiteral("-P"),     QStringLiteral("none"),
            QStringLiteral("-t"),     QStringLiteral("4:hex"),  QStringLiteral("-0"),
            QStringLiteral("-r"),     QString::number(r.start), QStringLiteral("-c"),
            QString::number(r.count), QStringLiteral("-l"),     QString::number(kMbpollPauseMs),
            QStringLiteral("-o"),     QStringLiteral("1"),      port};
}

} // namespace

QVector<double> samplesOf(const QVector<QJsonObject> &lines, const QString &figure,
                          const QString &key)
{
    QVector<double> out;
    for (const QJsonObject &line : lines)
        if (line.value(kFigure).toString() == figure && line.contains(key))
            out.append(line.value(key).toDouble());
    return out;
}

Runner::Runner(const RunnerOptions &options) : m_o(options) {}

bool Runner::wanted(const char *figure) const
{
    return m_o.only.isEmpty() || m_o.only.contains(QLatin1String(figure));
}

QStringList Runner::simArgs(int baud) const
{
    // The heaviest configuration: two analog inputs and a bistable solenoid, 16 reads a cycle.
    return {QStringLiteral("--awake"),  QStringLiteral("--wire-time"), QStringLiteral("--baud"),
            QString::number(baud),      QStringLiteral("--input1"),    QStringLiteral("3"),
            QStringLiteral("--input2"), QStringLiteral("4"),           QStringLiteral("--solenoid"),
            QStringLiteral("0"),        QStringLiteral("--online"),    QStringLiteral("5")};
}

Job Runner::toolJob(const char *figure, int count, int baud) const
{
    Job job;
    job.program = m_o.toolPath;
    job.args = QStringList{QStringLiteral("--figure"), QString::fromLatin1(figure),
                           QStringLiteral("--count"), QString::number(count)};
    job.baud = baud;
    // generous: a 1200-baud cycle waits up to 4 s for its tick
    job.timeoutMs = count * 20000 + 60000;
    return job;
}

JobResult Runner::measure(const Job &job)
{
    JobResult result;
    Line line(m_o.simPath, simArgs(job.baud), job.trace);
    QStringList args = job.args;
    if (job.baud) {
        QString error;
        if (!line.start(&error)) {
            progress(QStringLiteral("no line: ") + error);
            return result;
        }
        args << QStringLiteral("--port") << line.toolPort() << QStringLiteral("--baud")
             << QString::number(job.baud);
    }
    QProcess *child = newChildProcess();
    if (job.offscreen) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child->setProcessEnvironment(env);
    }
    child->start(job.program, args);
    const bool finished = child->waitForFinished(job.timeoutMs);
    const QByteArray out = child->readAllStandardOutput();
    const QByteArray err = child->readAllStandardError();
    const bool ok =
        finished && child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0;
    endProcess(child);
    if (!ok) {
        progress(QStringLiteral("%1 %2 failed:\n%3")
                     .arg(job.program, args.join(QLatin1Char(' ')),
                          QString::fromLocal8Bit(err.right(2000))));
        return result;
    }
    for (const QByteArray &text : out.split('\n')) {
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        if (doc.isObject())
            result.lines.append(doc.object());
    }
    if (job.trace)
        result.dump = line.dump();
    return result;
}

QVector<Row> Runner::run()
{
    m_rows.clear();
    for (int baud : m_o.bauds) {
        if (wanted("cycle"))
            cycleFigures(baud);
        if (wanted("config"))
            configFigures(baud);
        if (wanted("click"))
            clickFigure(baud);
        if (wanted("turnaround"))
            turnaroundFigures(baud);
        if (wanted("mbpoll"))
            mbpollFigure(baud);
    }
    if (m_o.slowLine && wanted("slow"))
        slowLineFigures();
    if (wanted("start"))
        startFigures();
    if (wanted("soak"))
        soakFigure();

    // By figure number, then each kind of row together, in the order first measured.
    QStringList kinds;
    for (const Row &r : m_rows)
        if (!kinds.contains(r.figure))
            kinds << r.figure;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&kinds](const Row &a, const Row &b) {
        if (a.id != b.id)
            return a.id < b.id;
        return kinds.indexOf(a.figure) < kinds.indexOf(b.figure);
    });
    return m_rows;
}

// The tool, the tool with its window never shown, and the bare client take turns, each on a
// fresh line, so that a slow spell of the machine does not fall on one of them only.
void Runner::cycleFigures(int baud)
{
    const double limit = readsLimitMs(line8N1(baud), heaviestCycle());
    const int perRound = std::max(1, m_o.cycles / m_o.rounds);
    QVector<QJsonObject> tool;
    QVector<QJsonObject> hidden;
    QVector<QJsonObject> bare;
    for (int round = 0; round < m_o.rounds; ++round) {
        progress(QStringLiteral("poll cycle at %1 baud, round %2 of %3")
                     .arg(baud)
                     .arg(round + 1)
                     .arg(m_o.rounds));
        tool += measure(toolJob("cycle", perRound, baud)).lines;
        Job hide = toolJob("cycle", perRound, baud);
        hide.args << QStringLiteral("--hidden");
        hidden += measure(hide).lines;
        Job b;
        b.program = m_o.barePath;
        b.args = QStringList{QStringLiteral("--cycles"), QString::number(perRound)};
        b.baud = baud;
        b.timeoutMs = perRound * 20000 + 60000;
        bare += measure(b).lines;
    }
    const QString cycle = QStringLiteral("cycle");
    Row t = row("1",
                QStringLiteral("Live poll cycle, 16 reads: tick -> last reply shown (tool)") +
                    failures(tool),
                baud, "ms", samplesOf(tool, cycle, QStringLiteral("ms")), limit);
    t.goal = cycleGoal(baud);
    Row h = row("4",
                QStringLiteral("Same cycle, tool with its window never shown (nothing painted)") +
                    failures(hidden),
                baud, "ms", samplesOf(hidden, cycle, QStringLiteral("ms")), limit);
    Row b = row("4", QStringLiteral("Same 16 reads, bare QModbusRtuSerialMaster") + failures(bare),
                baud, "ms", samplesOf(bare, QStringLiteral("bare"), QStringLiteral("ms")), limit);
    b.goal = QStringLiteral("tool/bare <= 1.02");
    b.comparison = QStringLiteral("tool/bare ") + ratioText(t.s.median, b.s.median);
    h.comparison = QStringLiteral("hidden/bare ") + ratioText(h.s.median, b.s.median);
    m_toolCycle[baud] = t.s.median;
    m_rows << t << b << h;
}

void Runner::slowLineFigures()
{
    constexpr int baud = 1200;
    progress(QStringLiteral("poll cycle at 1200 baud"));
    const double limit = readsLimitMs(line8N1(baud), heaviestCycle());
    const QVector<QJsonObject> tool = measure(toolJob("cycle", m_o.cycles, baud)).lines;
    const Row t =
        row("1",
            QStringLiteral("Live poll cycle, 16 reads: tick -> last reply shown (tool)") +
                failures(tool),
            baud, "ms", samplesOf(tool, QStringLiteral("cycle"), QStringLiteral("ms")), limit);

    const QString tick = QStringLiteral("tick");
    const QVector<double> sent = samplesOf(tool, tick, QStringLiteral("sent"));
    Row q = row("1", QStringLiteral("Reads waiting in the client after a tick (tool)"), baud,
                "reads", samplesOf(tool, tick, QStringLiteral("outstanding")));
    q.decimals = 0;
    q.comparison = QStringLiteral("%1 of %2 ticks sent nothing")
                       .arg(std::count(sent.begin(), sent.end(), 0.0))
                       .arg(sent.size());
    q.goal = QStringLiteral("max <= 16 (one cycle)");

    Row l =
        row("1", QStringLiteral("Value lag: tick -> value shown (tool)"), baud, "ms", lagsOf(tool));
    l.comparison = QStringLiteral("max = %1 longest cycle").arg(ratioText(l.s.max, t.s.max));
    l.goal = QStringLiteral("max <= 1 cycle");
    m_rows << t << q << l;
}

void Runner::configFigures(int baud)
{
    progress(QStringLiteral("configuration read at %1 baud").arg(baud));
    const LineFormat line = line8N1(baud);
    const double block = exchangeLimitMs(line, kReadRequestBytes, readReplyBytes(85));
    const double word = exchangeLimitMs(line, kReadRequestBytes, readReplyBytes(1));
    const QVector<QJsonObject> lines = measure(toolJob("config", m_o.reps, baud)).lines;
    const QString config = QStringLiteral("config");
    m_rows << row("2",
                  QStringLiteral("Configuration read: read_sett -> form decoded (85 registers)") +
                      failures(lines),
                  baud, "ms", samplesOf(lines, config, QStringLiteral("decodedMs")), block)
           << row("2",
                  QStringLiteral("Configuration read: read_sett -> both reads done (85 + 1)") +
                      failures(lines),
                  baud, "ms", samplesOf(lines, config, QStringLiteral("doneMs")), block + word);
}

void Runner::clickFigure(int baud)
{
    progress(QStringLiteral("click to wire at %1 baud").arg(baud));
    Job job = toolJob("click", m_o.reps, baud);
    job.trace = true;
    const JobResult result = measure(job);
    QVector<qint64> clicks;
    for (double us : samplesOf(result.lines, QStringLiteral("click"), QStringLiteral("clickUs")))
        clicks.append(qint64(us));
    Row r =
        row("3",
            QStringLiteral("Click sol_close/sol_open -> request's first byte at the simulator") +
                failures(result.lines),
            baud, "ms", clickToWireMs(clicks, exchangesOf(parseSocatDump(result.dump)), 6, 32768));
    r.comparison = qtDelayText(baud);
    m_rows << r;
}

// What the master does between a reply and its next request, seen on the line.
void Runner::turnaroundFigures(int baud)
{
    progress(QStringLiteral("line traces of a cycle at %1 baud: tool, bare client").arg(baud));
    const int cycles = std::min(kTraceCycles, m_o.cycles);
    Job tool = toolJob("cycle", cycles, baud);
    tool.trace = true;
    Job bare;
    bare.program = m_o.barePath;
    bare.args = QStringList{QStringLiteral("--cycles"), QString::number(cycles)};
    bare.baud = baud;
    bare.trace = true;
    const double t35 = t35Ms(line8N1(baud));
    for (const auto &[job, who] :
         {std::make_pair(tool, "tool"), std::make_pair(bare, "bare client")}) {
        const JobResult result = measure(job);
        Row r = row("4",
                    QStringLiteral("Turnaround on the line: reply -> next request (%1)")
                        .arg(QLatin1String(who)),
                    baud, "ms", turnaroundMs(exchangesOf(parseSocatDump(result.dump)), kIdleLineMs),
                    t35);
        r.comparison = qtDelayText(baud);
        m_rows << r;
    }
}

// mbpoll polls one read per process: each of the 16 reads in turn, with its shortest pause after
// every reply, the line drained between two processes.
void Runner::mbpollFigure(int baud)
{
    progress(QStringLiteral("mbpoll at %1 baud").arg(baud));
    Line line(m_o.simPath, simArgs(baud), true);
    QString error;
    if (!line.start(&error)) {
        progress(QStringLiteral("no line: ") + error);
        return;
    }
    const QVector<Read> reads = heaviestCycle();
    for (const Read &r : reads) {
        const int before = line.loggedRequests();
        QProcess *mbpoll = newChildProcess();
        mbpoll->setStandardOutputFile(QProcess::nullDevice());
        mbpoll->setStandardErrorFile(QProcess::nullDevice());
        mbpoll->start(QStringLiteral("mbpoll"), mbpollArgs(baud, r, line.toolPort()));
        QElapsedTimer waited;
        waited.start();
        while (mbpoll->state() != QProcess::NotRunning &&
               line.loggedRequests() < before + m_o.polls + 1 && !waited.hasExpired(60000))
            QThread::msleep(10);
        endProcess(mbpoll);
        const double exchange =
            exchangeLimitMs(line8N1(baud), kReadRequestBytes, readReplyBytes(r.count));
        line.drainToolEnd(int(2 * exchange) + 50);
    }
    Row m = row(
        "5",
        QStringLiteral("Same 16 reads, mbpoll polling each read (its %1 ms pause taken out)")
            .arg(kMbpollPauseMs),
        baud, "ms", composedCycles(exchangesOf(parseSocatDump(line.dump())), reads, kMbpollPauseMs),
        readsLimitMs(line8N1(baud), reads));
    m.comparison = QStringLiteral("tool/mbpoll ") + ratioText(m_toolCycle.value(baud), m.s.median);
    m_rows << m;
}

// Each start is a new process; its first frame is timed from just before the launch. The windows
// go to the display the bench runs on (Xvfb under scripts/bench) and to Qt's offscreen platform.
void Runner::startFigures()
{
    const bool display = platformName() != QLatin1String("offscreen");
    for (bool offscreen : {false, true}) {
        if (!offscreen && !display)
            continue;
        const QString platform = offscreen ? QStringLiteral("offscreen") : QStringLiteral("xcb");
        progress(QStringLiteral("start to first frame, %1 times, %2").arg(m_o.reps).arg(platform));
        QVector<double> startMs, rss, anon, valve;
        for (int i = 0; i < m_o.reps; ++i) {
            Job job;
            job.program = m_o.toolPath;
            job.args = QStringList{QStringLiteral("--figure"), QStringLiteral("start")};
            job.offscreen = offscreen;
            const qint64 launchNs = monotonicNs();
            for (const QJsonObject &l : measure(job).lines) {
                const auto ns = [&l](const char *key) {
                    return qint64(l.value(QLatin1String(key)).toDouble());
                };
                startMs.append(msBetween(launchNs, ns("flushedNs")));
                valve.append(msBetween(ns("styleNs"), ns("valveNs")));
                rss.append(l.value(QStringLiteral("rssKb")).toDouble() * kKbToMB);
                anon.append(l.value(QStringLiteral("anonKb")).toDouble() * kKbToMB);
            }
        }
        Row s = row("6", QStringLiteral("Start: launch -> first frame painted (%1)").arg(platform),
                    0, "ms", startMs);
        s.comparison =
            QStringLiteral("Valve() alone %1 ms").arg(summarize(valve).median, 0, 'f', 0);
        s.goal = QStringLiteral("<= 250 ms");
        Row r = row("6", QStringLiteral("RSS at the first frame (%1)").arg(platform), 0, "MB", rss);
        r.comparison = QStringLiteral("anonymous %1 MB").arg(summarize(anon).median, 0, 'f', 1);
        r.goal = QStringLiteral("<= 45 MB");
        m_rows << s << r;
    }
}

void Runner::soakFigure()
{
    progress(QStringLiteral("polling for %1 min at 9600 baud").arg(m_o.soakMinutes));
    Job job = toolJob("soak", 1, 9600);
    job.args << QStringLiteral("--minutes") << QString::number(m_o.soakMinutes);
    job.timeoutMs = int(m_o.soakMinutes * 60000) + 120000;
    const QVector<QJsonObject> lines = measure(job).lines;
    const QString soak = QStringLiteral("soak");
    const auto mb = [&](const char *key) {
        return scaled(samplesOf(lines, soak, QLatin1String(key)), kKbToMB);
    };
    const auto median = [&](const char *key) {
        return QString::number(summarize(mb(key)).median, 'f', 1);
    };
    Row r = row("6",
                QStringLiteral("RSS after %1 min of polling, %2 ticks (%3)")
                    .arg(m_o.soakMinutes)
                    .arg(samplesOf(lines, soak, QStringLiteral("ticks")).value(0))
                    .arg(platformName()),
                9600, "MB", mb("rssAfterKb"));
    r.comparison = QStringLiteral("at first frame %1 MB, peak %2 MB; anonymous %3 -> %4 MB")
                       .arg(median("rssStartKb"), median("hwmKb"), median("anonStartKb"),
                            median("anonAfterKb"));
    r.goal = QStringLiteral("<= 45 MB");
    m_rows << r;
}

} // namespace bench
