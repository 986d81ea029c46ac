#ifndef CLI_SESSION_H
#define CLI_SESSION_H

#include <QElapsedTimer>
#include <QObject>

#include "cli/options.h"
#include "cli/outcome.h"
#include "device/registermap.h"

class QModbusRtuSerialMaster;
class QModbusReply;

namespace morlenta::cli {

// The controller on one serial line, one request at a time: each call runs the event loop until
// its reply is in. A request to a controller that may have fallen asleep (none answered yet, or
// its online time nearly over) is preceded by a wake-up.
class LineSession : public QObject
{
public:
    explicit LineSession(const LineOptions &line, QObject *parent = nullptr);
    ~LineSession() override;

    LinkResult open();
    void close();
    // The line to open next (after a configuration write: the line settings just written).
    void setLine(const LineOptions &line) { m_line = line; }
    const LineOptions &line() const { return m_line; }

    // At most six probes, one a second, each given a second and no retries. probes(): how many
    // the last wake-up sent.
    LinkResult wake();
    int probes() const { return m_probes; }
    LinkResult read(const device::Route &route);
    LinkResult write(const device::Route &route, const QVector<quint16> &words);

    // The online time of the controller's configuration (word 83).
    void setOnlineSeconds(int seconds) { m_onlineMs = seconds * 1000; }

    // Runs the event loop for `ms`; false when interrupted (SIGINT, SIGTERM) before.
    bool pause(qint64 ms);
    // Whether SIGINT or SIGTERM arrived since catchInterrupts().
    static bool interrupted();
    // From now on, SIGINT and SIGTERM end a wait instead of the process (POSIX only).
    static void catchInterrupts();

private:
    LinkResult send(const device::Route &route, const QVector<quint16> *words);
    bool wait(QModbusReply *reply);
    bool awake() const;

    LineOptions m_line;
    QModbusRtuSerialMaster *m_client = nullptr;
    QString m_lostReason; // set when the port vanished under the open link
    bool m_awake = false;
    int m_probes = 0;
    QElapsedTimer m_lastAnswer; // started when the request last answered was sent
    qint64 m_onlineMs = device::onlineSeconds(-1) * 1000;
};

} // namespace morlenta::cli

#endif // CLI_SESSION_H
