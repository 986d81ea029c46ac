// morlenta-bench: runs every performance figure on fresh virtual lines and prints the table.
// scripts/bench builds it in Release and runs it under Xvfb; the README's Performance section explains the figures.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include "bench/runner.h"

namespace {

QString firstLineOf(const QString &path, const QByteArray &prefix)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return QString::fromLocal8Bit(line.mid(line.indexOf(':') + 1).trimmed());
    return QString();
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2)
               : QStringLiteral("?");
}

QString platformText()
{
    const QByteArray qpa = qgetenv("QT_QPA_PLATFORM");
    if (!qpa.isEmpty())
        return QString::fromLocal8Bit(qpa);
    return qEnvironmentVariableIsSet("DISPLAY")
               ? QStringLiteral("xcb on display %1").arg(qEnvironmentVariable("DISPLAY"))
               : QStringLiteral("default");
}

QString machineText(const QString &loadBefore, const QString &loadAfter)
{
    return QStringLiteral("- Machine: %1, %2 logical CPUs, %3, kernel %4\n"
                          "- Qt %5, Release build; windows on %6\n"
                          "- Load average (1/5/15 min) before %7, after %8\n"
                          "- Finished %9\n")
        .arg(firstLineOf(QStringLiteral("/proc/cpuinfo"), "model name"))
        .arg(QThread::idealThreadCount())
        .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
             QString::fromLatin1(qVersion()), platformText(), loadBefore, loadAfter,
             QDateTime::currentDateTime().toString(Qt::ISODate));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Performance figures of the tool."));
    parser.addHelpOption();
    const auto opt = [](const char *name, const char *help, const char *def) {
        return QCommandLineOption(QLatin1String(name), QLatin1String(help), QStringLiteral("n"),
                                  QLatin1String(def));
    };
    parser.addOptions({opt("cycles", "Poll cycles per figure and baud rate.", "20"),
                       opt("rounds", "Turns of tool and bare client.", "2"),
                       opt("reps", "Configuration reads, clicks and starts.", "20"),
                       opt("polls", "mbpoll exchanges per read.", "20"),
                       opt("soak-minutes", "Polling time before the last RSS.", "1"),
                       {QStringLiteral("no-slow-line"), QStringLiteral("Skip 1200 baud.")},
                       {QStringLiteral("only"),
                        QStringLiteral("Comma-separated figures: cycle, config, click, turnaround, "
                                       "mbpoll, slow, start, soak."),
                        QStringLiteral("list")},
                       {QStringLiteral("out"), QStringLiteral("Also write the report here."),
                        QStringLiteral("file")},
                       {QStringLiteral("sim"), QStringLiteral("morlenta-sim to use."),
                        QStringLiteral("path"), QStringLiteral(MORLENTA_SIM_PATH)}});
    parser.process(app);

    bench::RunnerOptions o;
    const QString dir = QCoreApplication::applicationDirPath();
    o.toolPath = dir + QStringLiteral("/morlenta-bench-tool");
    o.barePath = dir + QStringLiteral("/morlenta-bench-bare");
    o.simPath = parser.value(QStringLiteral("sim"));
    o.cycles = std::max(1, parser.value(QStringLiteral("cycles")).toInt());
    o.rounds = std::max(1, parser.value(QStringLiteral("rounds")).toInt());
    o.reps = std::max(1, parser.value(QStringLiteral("reps")).toInt());
    o.polls = std::max(2, parser.value(QStringLiteral("polls")).toInt());
    o.soakMinutes = parser.value(QStringLiteral("soak-minutes")).toDouble();
    o.slowLine = !parser.isSet(QStringLiteral("no-slow-line"));
    if (parser.isSet(QStringLiteral("only")))
        o.only = parser.value(QStringLiteral("only")).split(QLatin1Char(','), Qt::SkipEmptyParts);

    const QString loadBefore = loadAverage();
    const QVector<bench::Row> rows = bench::Runner(o).run();
    const QString report =
        machineText(loadBefore, loadAverage()) + QLatin1Char('\n') + bench::formatTable(rows);
    std::printf("%s", qPrintable(report));
    if (parser.isSet(QStringLiteral("out"))) {
        QFile out(parser.value(QStringLiteral("out")));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(report.toUtf8());
    }
    return 0;
}
