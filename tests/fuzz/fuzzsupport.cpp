#include "fuzzsupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

#include "mainwindow/valve.h"

namespace fuzz {

namespace {

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}

// Kept reachable for the whole run: never deleted, so no destructor runs after libFuzzer's exit.
QApplication *g_app = nullptr;
Valve *g_valve = nullptr;

} // namespace

void initApplication(int *argc, char ***argv)
{
    if (g_app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    g_app = new QApplication(*argc, *argv);
    // The Modbus client warns about every frame it discards; the fuzzers send many.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus*=false"));
}

Valve &valve()
{
    if (!g_valve)
        g_valve = new Valve;
    return *g_valve;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void fail(const char *what, int detail)
{
    std::fprintf(stderr, "fuzz invariant broken: %s (%d)\n", what, detail);
    std::abort();
}

std::uint16_t wordAt(const std::uint8_t *data, std::size_t size, std::size_t index)
{
    const std::size_t at = 2 * index;
    const std::uint16_t high = at < size ? data[at] : 0;
    const std::uint16_t low = at + 1 < size ? data[at + 1] : 0;
    return std::uint16_t(high << 8 | low);
}

} // namespace fuzz
