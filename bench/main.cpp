// morlenta-bench: the tool's performance figures against the simulated controller, printed as a
// Markdown table with a note on the machine. scripts/bench builds it in Release and runs it under
// Xvfb; the README's Performance section explains the figures. It exits 1 when a figure could not
// be measured, and judges no figure.
#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "bench/figures.h"
#include "bench/wirelimit.h"
#include "support/simharness.h"
#include "widgets/appstyle.h"

using namespace morlenta;

using namespace bench;

namespace {

constexpr int kMbpollPauseMs = 11; // mbpoll's shortest poll rate ("> 10")
constexpr double kKbToMB = 1024 / 1e6;

struct Options
{
    int cycles, rounds, reps, polls;
    double minutes;
    QStringList only;
};

struct Row
{
    Row(const char *id, const QString &figure, int baud, const char *unit,
        const QVector<double> &samples, double limit = 0, const QString &compared = {},
        const QString &goal = {})
        : id(QLatin1String(id)), figure(figure), baud(baud), unit(QLatin1String(unit)),
          samples(samples), limit(limit), compared(compared), goal(goal)
    {
    }
    QString id, figure;
    int baud; // 0: the figure does not depend on the line
    QString unit;
    QVector<double> samples;
    double limit; // ms the same exchanges need on the wire; 0: none
    QString compared, goal;
};

void progress(const QString &text)
{
    std::fprintf(stderr, "bench: %s\n", qPrintable(text));
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    const int n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString ratio(double a, double b)
{
    return a > 0 && b > 0 ? QString::number(a / b, 'f', 2) + 'x' : QStringLiteral("-");
}

QString table(const QVector<Row> &rows)
{
    QVector<QStringList> lines = {{"#", "Figure", "Baud", "n", "Min", "Median", "Max", "Wire limit",
                                   "Median/limit", "Compared", "Goal"}};
    const auto num = [](double v) { return QString::number(v, 'f', 2); };
    const auto orDash = [](const QString &s) { return s.isEmpty() ? QStringLiteral("-") : s; };
    for (const Row &r : rows) {
        const auto [lo, hi] = std::minmax_element(r.samples.begin(), r.samples.end());
        const bool any = !r.samples.isEmpty();
        lines.append({r.id, r.figure, r.baud ? QString::number(r.baud) : "-",
                      QString::number(r.samples.size()), any ? num(*lo) : "-",
                      any ? num(median(r.samples)) + ' ' + r.unit : "not measured",
                      any ? num(*hi) : "-", r.limit > 0 ? num(r.limit) + " ms" : "-",
                      ratio(median(r.samples), r.limit), orDash(r.compared), orDash(r.goal)});
    }
    QVector<int> widths(lines[0].size(), 3);
    for (const QStringList &l : lines)
        for (int i = 0; i < l.size(); ++i)
            widths[i] = std::max(widths[i], l[i].size());
    lines.insert(1, {});
    for (int w : widths)
        lines[1] << QString(w, '-');
    QString out;
    for (const QStringList &l : lines) {
        for (int i = 0; i < l.size(); ++i)
            out += "| " + l[i].leftJustified(widths[i]) + ' ';
        out += "|\n";
    }
    return out;
}

QString procLine(const char *path, const QByteArray &prefix) // e.g. "model name" in cpuinfo
{
    QFile f(QString::fromLatin1(path));
    for (const QByteArray &line :
         f.open(QIODevice::ReadOnly) ? f.readAll().split('\n') : QList<QByteArray>())
        if (line.startsWith(prefix))
            return QString::fromLocal8Bit(line.mid(prefix.size()).trimmed());
    return QStringLiteral("?");
}

QString machine(const QString &loadBefore)
{
#ifdef NDEBUG
    const char *build = "Release";
#else
    const char *build = "Debug";
#endif
    return QStringLiteral("- Machine: %1, %2 logical CPUs, %3, kernel %4\n"
                          "- Qt %5, %6 build; windows on %7\n"
                          "- Load average (1/5/15 min) before %8, after %9\n- Finished %10\n")
        .arg(procLine("/proc/cpuinfo", "model name\t:"))
        .arg(QThread::idealThreadCount())
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
             QString::fromLatin1(qVersion()), QString::fromLatin1(build),
             QGuiApplication::platformName(), loadBefore,
             procLine("/proc/loadavg", "").section(' ', 0, 2),
             QDateTime::currentDateTime().toString(Qt::ISODate));
}

// Runs morlenta-bench in one of its child modes and returns the JSON line it printed; empty when
// it failed. `launchNs` gets the time just before the launch.
QJsonObject child(const QStringList &args, bool offscreen, int timeoutMs,
                  qint64 *launchNs = nullptr)
{
    ChildProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (offscreen) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
    }
    if (launchNs)
        *launchNs = monotonicNs();
    p.start(QCoreApplication::applicationFilePath(), args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode())
        return {};
    return QJsonDocument::fromJson(p.readAllStandardOutput().trimmed().split('\n').last()).object();
}

QVector<Row> run(const Options &o)
{
    QVector<Row> rows;
    const auto wanted = [&o](const char *figure) {
        return o.only.isEmpty() || o.only.contains(QLatin1String(figure));
    };
    const QVector<device::Route> cycle = cycleOf(kHeaviest);
    for (int baud : {9600, 115200}) {
        const LineFormat line{baud};
        const double limit = cycleLimitMs(line, cycle);
        double tool = 0;
        if (wanted("cycle")) {
            // Tool and bare client take turns, each on a fresh line, so that a slow spell of the
            // machine does not fall on one of them only.
            QVector<double> t, shown, b;
            for (int round = 1; round <= o.rounds; ++round) {
                progress(QStringLiteral("poll cycle at %1 baud, round %2 of %3")
                             .arg(baud)
                             .arg(round)
                             .arg(o.rounds));
                const ToolCycles c = toolCycles(baud, std::max(1, o.cycles / o.rounds));
                t += c.handled;
                shown += c.shown;
                b += bareCycles(baud, std::max(1, o.cycles / o.rounds));
            }
            tool = median(t);
            // figures the tool's cycle has reached before
            const QString goal = baud == 9600 ? "<= 1.07x limit" : "<= 1.13x limit";
            rows << Row("1",
                        QStringLiteral("Poll cycle, %1 reads: tick -> last reply handled (tool)")
                            .arg(cycle.size()),
                        baud, "ms", t, limit, {}, goal)
                 << Row("1", "Same cycle: tick -> its values shown (tool)", baud, "ms", shown,
                        limit, "tool/bare " + ratio(median(shown), median(b)))
                 << Row("1", "Same reads, bare QModbusRtuSerialMaster", baud, "ms", b, limit,
                        "tool/bare " + ratio(tool, median(b)), "tool/bare ~1.00");
        }
        if (wanted("config")) {
            progress(QStringLiteral("configuration read at %1 baud").arg(baud));
            const ConfigReads c = configReads(baud, o.reps);
            const double block = readLimitMs(line, 85);
            rows << Row("2", "Configuration read: read_sett -> form decoded (85 registers)", baud,
                        "ms", c.decoded, block)
                 << Row("2", "Configuration read: read_sett -> both reads handled (85 + 1)", baud,
                        "ms", c.done, block + readLimitMs(line, 1));
        }
        if (wanted("click")) {
            progress(QStringLiteral("click to wire at %1 baud").arg(baud));
            int pause = 0;
            const QVector<double> c = clickToWire(baud, o.reps, &pause);
            rows << Row("3", "Click sol_close/sol_open -> request's first byte at the simulator",
                        baud, "ms", c, 0,
                        QStringLiteral("Qt pause %1 ms, t3.5 %2 ms")
                            .arg(pause)
                            .arg(t35Ms(line), 0, 'f', 2));
        }
        if (wanted("mbpoll")) {
            progress(QStringLiteral("mbpoll at %1 baud").arg(baud));
            const bool found = !QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty();
            const QVector<double> m =
                found ? mbpollCycles(baud, o.polls, kMbpollPauseMs) : QVector<double>();
            rows << Row(
                "4",
                QStringLiteral("Same reads, mbpoll polling each read (its %1 ms pause taken out)")
                    .arg(kMbpollPauseMs),
                baud, "ms", m, limit, "tool/mbpoll " + ratio(tool, median(m)));
        }
    }
    if (wanted("start")) {
        // A new process each time, timed from just before its launch to its first frame, on the
        // display the bench runs on (Xvfb under scripts/bench) and on the offscreen platform.
        QStringList platforms = {QGuiApplication::platformName()};
        if (platforms[0] != QLatin1String("offscreen"))
            platforms << QStringLiteral("offscreen");
        for (const QString &platform : platforms) {
            progress(
                QStringLiteral("start to first frame, %1 times, %2").arg(o.reps).arg(platform));
            QVector<double> ms, valve, rss, anon;
            for (int i = 0; i < o.reps; ++i) {
                qint64 launchNs = 0;
                const QJsonObject s = child(
                    {"--child-start"}, platform == QLatin1String("offscreen"), 60000, &launchNs);
                if (s.isEmpty())
                    continue;
                ms << msBetween(launchNs, qint64(s["flushedNs"].toDouble()));
                valve << s["valveMs"].toDouble();
                rss << s["rssKb"].toDouble() * kKbToMB;
                anon << s["anonKb"].toDouble() * kKbToMB;
            }
            rows << Row("5", "Start: launch -> first frame painted (" + platform + ')', 0, "ms", ms,
                        0, QStringLiteral("Valve() alone %1 ms").arg(median(valve), 0, 'f', 0),
                        "<= 250 ms")
                 << Row("5", "RSS at the first frame (" + platform + ')', 0, "MB", rss, 0,
                        QStringLiteral("anonymous %1 MB").arg(median(anon), 0, 'f', 1), "<= 45 MB");
        }
    }
    if (wanted("memory")) {
        progress(QStringLiteral("polling for %1 min at 9600 baud").arg(o.minutes));
        SimHarness line;
        const QJsonObject m = line.start(simArgs(kHeaviest, 9600))
                                  ? child({"--child-poll", line.toolPort(), "--soak-minutes",
                                           QString::number(o.minutes)},
                                          false, int(o.minutes * 60000) + 120000)
                                  : QJsonObject();
        const auto mb = [&m](const char *key) { return m[key].toDouble() * kKbToMB; };
        const auto text = [&mb](const char *key) { return QString::number(mb(key), 'f', 1); };
        rows << Row(
            "5",
            QStringLiteral("RSS after %1 min of polling, %2 ticks (%3)")
                .arg(o.minutes)
                .arg(m["ticks"].toInt())
                .arg(QGuiApplication::platformName()),
            9600, "MB", m.isEmpty() ? QVector<double>() : QVector<double>{mb("rssKb")}, 0,
            QStringLiteral("%1 MB when polling began, peak %2 MB; anonymous %3 -> %4 MB; "
                           "%5 replies left, %6 messages")
                .arg(text("rssStartKb"), text("peakKb"), text("anonStartKb"), text("anonKb"))
                .arg(m["repliesLeft"].toInt())
                .arg(m["messages"].toInt()),
            "grows <= 1 MB; 0 left");
    }
    // by figure, in the order measured
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return a.id < b.id; });
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    // As main() starts the tool: the start figure times this, and the tool's figures run under
    // the application style sheet.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    app.setStyleSheet(loadAppStyleSheet());

    QCommandLineParser parser;
    parser.addHelpOption();
    const auto number = [](const char *name, const char *help, const char *value) {
        return QCommandLineOption(name, help, QStringLiteral("n"), value);
    };
    parser.addOptions(
        {number("cycles", "Poll cycles per baud rate (tool and bare client each).", "20"),
         number("rounds", "Turns of tool and bare client per baud rate.", "2"),
         number("reps", "Configuration reads, clicks and starts.", "20"),
         number("polls", "mbpoll requests per read.", "20"),
         number("soak-minutes", "Polling time of the memory figure.", "1"),
         {"only", "Some figures: cycle, config, click, mbpoll, start, memory.", "list"},
         {"out", "Also write the report to this file.", "file"},
         {"child-start", "(internal) The tool of the start figure."},
         {"child-poll", "(internal) The tool of the memory figure, on this port.", "port"}});
    parser.process(app);
    const double minutes = parser.value("soak-minutes").toDouble();
    if (parser.isSet("child-start"))
        return startChild(app);
    if (parser.isSet("child-poll"))
        return pollChild(parser.value("child-poll"), minutes);

    const QString loadBefore = procLine("/proc/loadavg", "").section(' ', 0, 2);
    const QVector<Row> rows = run(
        {std::max(1, parser.value("cycles").toInt()), std::max(1, parser.value("rounds").toInt()),
         std::max(1, parser.value("reps").toInt()), std::max(2, parser.value("polls").toInt()),
         minutes, parser.value("only").split(',', Qt::SkipEmptyParts)});
    const QString report = machine(loadBefore) + '\n' + table(rows);
    std::printf("%s", qPrintable(report));
    QFile out(parser.value("out"));
    if (parser.isSet("out") && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(report.toUtf8());
    return std::any_of(rows.begin(), rows.end(), [](const Row &r) { return r.samples.isEmpty(); });
}
