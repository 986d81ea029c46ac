#ifndef CLI_OUTCOME_H
#define CLI_OUTCOME_H

#include <QModbusDevice>
#include <QString>
#include <QVector>

#include "cli/options.h"

// How a request or a command ended, the exit status that stands for it and the message the user
// acts on.
namespace morlenta::cli {

enum ExitCode : int {
    ExitOk = 0,
    ExitFailed = 1, // anything else, e.g. an exception reply
    ExitUsage = 2,
    ExitPort = 3,     // the port does not open
    ExitRefused = 4,  // the profile was refused
    ExitDiffers = 5,  // the block read back differs
    ExitNoAnswer = 6, // no answer after six probes, or a time-out
};

// The end of one exchange on the line (or of opening it).
struct LinkResult
{
    enum Status {
        Ok,
        OpenFailed, // detail: the port's reason
        NoAnswer,   // six probes without 0xFACE
        Timeout,    // a request without a reply after its time-out and retries
        Exception,  // the controller answered with exception `exceptionCode`
        ShortReply, // fewer words than asked: `words` has what came
        PortLost,   // the port vanished; detail: the reason
        Failed,     // any other error of the client: `error`, detail
    };
    Status status = Ok;
    QModbusDevice::Error error = QModbusDevice::NoError;
    QString detail;
    int exceptionCode = 0;
    QVector<quint16> words; // a read's words
    // What went out: a read or a write, at `start`, `count` words.
    bool write = false;
    int start = 0;
    int count = 0;

    bool ok() const { return status == Ok; }
};

struct Outcome
{
    int code = ExitOk;
    QString message; // empty on success
    QString result;  // the report's word: ok, refused, differs, no-answer, port, failed, dry-run
};

// The exit status, message and report word of a failed exchange on `line`.
Outcome outcomeOf(const LinkResult &result, const LineOptions &line);

// The causes a silent controller usually has, for the messages of exit status 6.
QString silenceCauses(const LineOptions &line);

} // namespace morlenta::cli

#endif // CLI_OUTCOME_H
