#include "bench/wirelimit.h"

#include <cmath>

namespace bench {

int bitsPerChar(const LineFormat &line)
{
    return 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
}

double charMs(const LineFormat &line)
{
    return 1000.0 * bitsPerChar(line) / line.baud;
}

double t35Ms(const LineFormat &line)
{
    return line.baud <= 19200 ? 3.5 * charMs(line) : 1.75;
}

int readReplyBytes(int registers)
{
    return 5 + 2 * registers;
}

double exchangeLimitMs(const LineFormat &line, int requestBytes, int replyBytes)
{
    return (requestBytes + replyBytes) * charMs(line) + 2 * t35Ms(line);
}

double readsLimitMs(const LineFormat &line, const QVector<Read> &reads)
{
    double sum = 0;
    for (const Read &r : reads)
        sum += exchangeLimitMs(line, kReadRequestBytes, readReplyBytes(r.count));
    return sum;
}

int qtInterFrameDelayMs(int baud)
{
    if (baud >= 19200)
        return 2;
    return static_cast<int>(std::ceil(3500.0 / (baud / 11.0)));
}

QVector<Read> heaviestCycle()
{
    QVector<Read> reads = {{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}};
    for (int input = 0; input < 2; ++input)
        for (int quantity = 0; quantity < 6; ++quantity)
            reads.append({quint16(32811 + 12 * input + 2 * quantity), 2});
    return reads;
}

} // namespace bench
