// Small parts of the headless tour that need no window: its command line, the names of its
// pictures, what the connection LED shows, the controller's request log, and a bounded wait that
// keeps the event loop running.
#ifndef TOUR_TOURKIT_H
#define TOUR_TOURKIT_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tour {

struct Options
{
    QString port;       // device path of the tool's end of the line
    QString outDir;     // where the pictures go
    QString simLog;     // the simulator's request log (one JSON object per line)
    int waitMs = 30000; // longest wait for any one condition
};

// Parses the arguments after the program name: --port PATH --out DIR --sim-log FILE
// [--wait-seconds N]. False with a reason in `error` for an unknown or incomplete argument or a
// missing required one.
bool parseArguments(const QStringList &args, Options &options, QString &error);
QString usage();

// File name of the picture of a step: two-digit number, a dash and the name reduced to lower-case
// letters, digits and single dashes, e.g. (1, "Port open") -> "01-port-open.png".
QString shotFileName(int step, const QString &name);

enum class Led { Unknown, Red, Green, Yellow, Orange, Blue };

// The colour of the connection LED, read from its style sheet.
Led ledOf(const QString &styleSheet);
const char *ledName(Led led);

// One request the simulator received.
struct Request
{
    int fn = 0;
    int start = 0;
    int count = 0;
    QList<int> values; // the written values of a write request
    bool answered = false;
};

// The complete lines of the log; a last line still being written (no newline) and lines that are
// no JSON object are skipped.
QList<Request> parseRequestLog(const QByteArray &text);
// Index of the first request from `from` on with that function code and start address, -1 if
// there is none.
int findRequest(const QList<Request> &log, int from, int fn, int start);

// Runs the event loop until `condition` holds or `timeoutMs` have passed; true if it holds.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

} // namespace tour

#endif // TOUR_TOURKIT_H
