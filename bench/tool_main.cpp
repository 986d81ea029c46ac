// morlenta-bench-tool: the tool's own figures. It starts the tool as main() does (high-DPI
// attribute, application, style sheet, main window inside the frame, shown) and then measures one
// figure, printing JSON lines for the bench driver:
//
//   --figure start                              first painted frame and VmRSS, then exits
//   --figure cycle  --port P --baud N --count N poll cycles of the inputs page
//   --figure config --port P --baud N --count N read_sett clicks while awake
//   --figure click  --port P --baud N --count N sol_close/sol_open clicks while awake
//   --figure soak   --port P --baud N --minutes M  VmRSS after M minutes of polling
//   --hidden                                    the window is never shown (no painting)
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

#include "bench/clock.h"
#include "bench/jsonline.h"
#include "bench/toolbench.h"
#include "link/portlist.h"
#include "mainwindow/valve.h"
#include "widgets/appstyle.h"
#include "widgets/windowframe.h"

namespace {

struct Options
{
    QString figure;
    QString port;
    int baud = 9600;
    int count = 20;
    double minutes = 1;
    bool hidden = false;
};

Options parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("figure"), QStringLiteral("start|cycle|config|click|soak"),
                        QStringLiteral("name"), QStringLiteral("start")},
                       {QStringLiteral("port"), QStringLiteral("Device path of the line."),
                        QStringLiteral("path")},
                       {QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("n"),
                        QStringLiteral("9600")},
                       {QStringLiteral("count"), QStringLiteral("Samples."), QStringLiteral("n"),
                        QStringLiteral("20")},
                       {QStringLiteral("minutes"), QStringLiteral("Polling time of the soak."),
                        QStringLiteral("m"), QStringLiteral("1")},
                       {QStringLiteral("hidden"),
                        QStringLiteral("Never show the window (nothing is painted).")}});
    if (!parser.parse(arguments))
        std::fprintf(stderr, "morlenta-bench-tool: %s\n", qPrintable(parser.errorText()));
    Options o;
    o.figure = parser.value(QStringLiteral("figure"));
    o.port = parser.value(QStringLiteral("port"));
    o.baud = parser.value(QStringLiteral("baud")).toInt();
    o.count = std::max(1, parser.value(QStringLiteral("count")).toInt());
    o.minutes = parser.value(QStringLiteral("minutes")).toDouble();
    o.hidden = parser.isSet(QStringLiteral("hidden"));
    return o;
}

bool runFigure(Valve &valve, const Options &o, const bench::StartMemory &atStart)
{
    QString error;
    if (!bench::connectTool(valve, o.port, o.baud, &error)) {
        std::fprintf(stderr, "morlenta-bench-tool: %s\n", qPrintable(error));
        return false;
    }
    if (o.figure == QLatin1String("cycle"))
        return bench::measureCycles(valve, o.count);
    if (o.figure == QLatin1String("config"))
        return bench::measureConfigReads(valve, o.count);
    if (o.figure == QLatin1String("click"))
        return bench::measureClicks(valve, o.count);
    if (o.figure == QLatin1String("soak"))
        return bench::soak(valve, o.minutes, atStart);
    std::fprintf(stderr, "morlenta-bench-tool: unknown figure %s\n", qPrintable(o.figure));
    return false;
}

// Monotonic times of the start-up steps, as main() takes them.
struct StartTimes
{
    qint64 mainNs = 0;  // main() entered
    qint64 appNs = 0;   // application object made
    qint64 styleNs = 0; // style sheet installed
    qint64 valveNs = 0; // main window made
    qint64 frameNs = 0; // frame made around it
};

void reportStart(const StartTimes &t, qint64 paintNs, qint64 flushedNs,
                 const bench::StartMemory &memory)
{
    bench::emitLine({{QStringLiteral("figure"), QStringLiteral("start")},
                     {QStringLiteral("mainNs"), t.mainNs},
                     {QStringLiteral("appNs"), t.appNs},
                     {QStringLiteral("styleNs"), t.styleNs},
                     {QStringLiteral("valveNs"), t.valveNs},
                     {QStringLiteral("frameNs"), t.frameNs},
                     {QStringLiteral("paintNs"), paintNs},
                     {QStringLiteral("flushedNs"), flushedNs},
                     {QStringLiteral("rssKb"), memory.rssKb},
                     {QStringLiteral("anonKb"), memory.anonKb}});
}

} // namespace

int main(int argc, char *argv[])
{
    StartTimes times;
    times.mainNs = bench::monotonicNs();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Options o = parse(arguments);
    if (!o.port.isEmpty())
        qputenv(link::kExtraPortsVariable, o.port.toLocal8Bit());

    // From here on as in main().
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    times.appNs = bench::monotonicNs();
    app.setStyleSheet(loadAppStyleSheet());
    times.styleNs = bench::monotonicNs();
    auto *valve = new Valve;
    times.valveNs = bench::monotonicNs();
    windowframe frame(nullptr, valve);
    times.frameNs = bench::monotonicNs();

    int rc = 0;
    bench::FirstFrame firstFrame(valve, [&](qint64 paintNs, qint64 flushedNs) {
        const bench::StartMemory memory = bench::startMemory();
        if (o.figure == QLatin1String("start"))
            reportStart(times, paintNs, flushedNs, memory);
        else
            rc = runFigure(*valve, o, memory) ? 0 : 1;
        app.quit();
    });
    if (o.hidden)
        QTimer::singleShot(0, &app, [&] {
            rc = runFigure(*valve, o, bench::startMemory()) ? 0 : 1;
            app.quit();
        });
    else
        frame.show();
    app.exec();
    return rc;
}
