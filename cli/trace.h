#ifndef CLI_TRACE_H
#define CLI_TRACE_H

#include <QByteArray>
#include <QString>
#include <QVector>

// --trace: a line on stderr for every request and reply, and the frames the Modbus client logs.
namespace morlenta::cli {

// One request as the trace shows it: function code, first register, count, the words written.
struct TracedRequest
{
    int function = 0;
    int start = 0;
    int count = 0;
    QVector<quint16> data;
};

// "-> fn 10 start 0 count 85 data c1ab 4523 ..."
QString requestText(const TracedRequest &request);
// "<- 37 ms fn 03 start 36858 count 1 data face ok"
QString replyText(qint64 latencyMs, const TracedRequest &request, const QVector<quint16> &data,
                  const QString &outcome);

// What the trace makes of a message of the client's logging categories (qt.modbus,
// qt.modbus.lowlevel): a frame sent or received, a note, or nothing.
class FrameLog
{
public:
    // Trace lines (without the time) for one message; empty when it adds nothing.
    QStringList take(const QString &message, bool warning);

private:
    QByteArray m_partial; // bytes received of a frame not (yet) complete
};

// Turns the trace on: the client's categories are enabled whatever the logging rules of the
// environment say, and their messages go into the trace. Off, they print nothing.
void installTrace(bool on);

// Writes a line to stderr, the UTC time in front, when the trace is on.
void traceLine(const QString &text);
bool tracing();

} // namespace morlenta::cli

#endif // CLI_TRACE_H
