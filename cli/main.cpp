// morlenta-cli: the controller's commissioning from the command line, on the same core as the
// window. The window keeps its rules (no files, no options); files and options live here.
//
//   options.*   the command line and --help
//   session.*   the serial line: one request at a time, wake-ups, a vanished port
//   commands.*  ports, wake, read, write, watch, valve, clock, reset-counters, set-identifier
//   profile.*   the configuration as JSON, checked key by key
//   csv.*       the rows of watch and the report of write
//   trace.*     --trace: requests, replies and the client's frames
//   outcome.*   exit statuses and the messages of failures
#include <QCoreApplication>

#include <cstdio>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/outcome.h"

using namespace morlenta::cli;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const Invocation invocation = parseArguments(app.arguments().mid(1), error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "morlenta-cli: %s\n", error.toUtf8().constData());
        return ExitUsage;
    }
    if (invocation.help) {
        std::fputs(helpText().toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (invocation.version) {
        std::puts("morlenta-cli " MORLENTA_VERSION);
        return ExitOk;
    }
    const Outcome outcome = runCommand(invocation);
    if (!outcome.message.isEmpty())
        std::fprintf(stderr, "morlenta-cli: %s\n", outcome.message.toUtf8().constData());
    return outcome.code;
}
