// The time an exchange needs on the wire, the floor no master can beat.
//
// A character is a start bit, the data bits, an optional parity bit and the stop bits (10 bits for
// 8N1, 11 with parity or two stop bits). Frames are separated by a silence of 3.5 characters, or
// 1.75 ms above 19200 baud. One request/reply exchange needs both frames on the wire plus two
// such gaps: one before the reply (the server's) and one before the next request (the master's).
#ifndef BENCH_WIRELIMIT_H
#define BENCH_WIRELIMIT_H

#include <QVector>

namespace bench {

struct LineFormat
{
    int baud = 9600;
    int dataBits = 8;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stopBits = 1;
};

// A holding-register read (function 0x03) of `count` registers from `start`.
struct Read
{
    quint16 start = 0;
    quint16 count = 0;
};

int bitsPerChar(const LineFormat &line);
double charMs(const LineFormat &line);
// The silence between frames: 3.5 characters up to 19200 baud, 1.75 ms above.
double t35Ms(const LineFormat &line);

// Bytes of the frames of a read: address, function, start, count and CRC out; address, function,
// byte count, the registers and CRC back.
constexpr int kReadRequestBytes = 8;
int readReplyBytes(int registers);

// Both frames of one exchange on the wire plus two t3.5 gaps.
double exchangeLimitMs(const LineFormat &line, int requestBytes, int replyBytes);
// The sum of the limits of the reads, sent one after another.
double readsLimitMs(const LineFormat &line, const QVector<Read> &reads);

// The pause QtSerialBus's RTU master makes before every request it sends. It is computed for
// 11-bit characters whatever the line carries and rounded up to whole milliseconds below
// 19200 baud (5 ms at 9600, 33 ms at 1200); at and above 19200 it is 2 ms.
int qtInterFrameDelayMs(int baud);

// The 16 reads of the heaviest poll cycle (two analog inputs, bistable solenoid), in the order the
// tool sends them: clock, capacitor charge, solenoid state, core temperature, then the six
// quantities of analog input 1 and of analog input 2.
QVector<Read> heaviestCycle();

} // namespace bench

#endif // BENCH_WIRELIMIT_H
