#include "bench/linetrace.h"

#include <QDateTime>
#include <QList>
#include <QRegularExpression>

#include <algorithm>
#include <climits>

namespace bench {

namespace {

struct RawChunk
{
    LineChunk chunk;
    qint64 seconds = 0;
    qint64 fraction = 0;
};

bool parseHeader(const QByteArray &line, RawChunk &out)
{
    static const QRegularExpression header(QStringLiteral(
        R"(^([<>]) (\d{4})/(\d{2})/(\d{2}) (\d{2}):(\d{2}):(\d{2})\.(\d+)\s+length=\d+)"));
    const QRegularExpressionMatch m = header.match(QString::fromLatin1(line));
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    const QTime time(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
    if (!date.isValid() || !time.isValid())
        return false;
    out.chunk.toSimulator = m.captured(1) == QLatin1String(">");
    out.seconds = QDateTime(date, time, Qt::LocalTime).toSecsSinceEpoch();
    out.fraction = m.captured(8).toLongLong();
    return true;
}

void appendHex(const QByteArray &line, QByteArray &bytes)
{
    for (const QByteArray &word : line.simplified().split(' ')) {
        bool ok = false;
        const int value = word.toInt(&ok, 16);
        if (ok && word.size() == 2)
            bytes.append(char(value));
    }
}

} // namespace

QVector<LineChunk> parseSocatDump(const QByteArray &text)
{
    QVector<RawChunk> raw;
    for (const QByteArray &line : text.split('\n')) {
        RawChunk chunk;
        if (parseHeader(line, chunk))
            raw.append(chunk);
        else if (!raw.isEmpty() && line.startsWith(' '))
            appendHex(line, raw.last().chunk.bytes);
    }
    bool nanoseconds = false;
    for (const RawChunk &c : raw)
        nanoseconds = nanoseconds || c.fraction > 999999;

    QVector<LineChunk> chunks;
    for (RawChunk &c : raw) {
        c.chunk.epochUs = c.seconds * 1000000 + (nanoseconds ? c.fraction / 1000 : c.fraction);
        chunks.append(c.chunk);
    }
    return chunks;
}

QVector<Exchange> exchangesOf(const QVector<LineChunk> &chunks)
{
    QVector<Exchange> out;
    for (const LineChunk &c : chunks) {
        if (c.toSimulator) {
            Exchange e;
            e.requestUs = c.epochUs;
            const auto byte = [&c](int i) { return int(quint8(c.bytes.at(i))); };
            if (c.bytes.size() >= 2)
                e.function = byte(1);
            if (c.bytes.size() >= 6) {
                e.start = byte(2) << 8 | byte(3);
                e.count = byte(4) << 8 | byte(5);
            }
            out.append(e);
        } else if (!out.isEmpty()) {
            out.last().replyUs = c.epochUs;
        }
    }
    return out;
}

QVector<double> clickToWireMs(const QVector<qint64> &clicksUs, const QVector<Exchange> &exchanges,
                              int function, int start)
{
    QVector<double> out;
    for (int i = 0; i < clicksUs.size(); ++i) {
        const qint64 click = clicksUs.at(i);
        const qint64 next = i + 1 < clicksUs.size() ? clicksUs.at(i + 1) : LLONG_MAX;
        for (const Exchange &e : exchanges) {
            if (e.requestUs >= click && e.requestUs < next && e.function == function &&
                e.start == start) {
                out.append((e.requestUs - click) / 1000.0);
                break;
            }
        }
    }
    return out;
}

QVector<double> turnaroundMs(const QVector<Exchange> &exchanges, double idleMs)
{
    QVector<double> out;
    for (int i = 0; i + 1 < exchanges.size(); ++i) {
        if (exchanges.at(i).replyUs <= 0)
            continue;
        const double gap = (exchanges.at(i + 1).requestUs - exchanges.at(i).replyUs) / 1000.0;
        if (gap <= idleMs)
            out.append(gap);
    }
    return out;
}

QVector<double> replyWaitMs(const QVector<Exchange> &exchanges)
{
    QVector<double> out;
    for (const Exchange &e : exchanges)
        if (e.replyUs > 0)
            out.append((e.replyUs - e.requestUs) / 1000.0);
    return out;
}

QVector<double> composedCycles(const QVector<Exchange> &exchanges, const QVector<Read> &reads,
                               double pauseMs)
{
    QVector<QVector<double>> periods;
    int cycles = INT_MAX;
    for (const Read &r : reads) {
        QVector<qint64> starts;
        for (const Exchange &e : exchanges)
            if (e.function == 3 && e.start == r.start && e.count == r.count)
                starts.append(e.requestUs);
        QVector<double> p;
        for (int i = 0; i + 1 < starts.size(); ++i)
            p.append((starts.at(i + 1) - starts.at(i)) / 1000.0 - pauseMs);
        cycles = std::min(cycles, int(p.size()));
        periods.append(p);
    }
    QVector<double> out;
    for (int k = 0; !reads.isEmpty() && k < cycles; ++k) {
        double sum = 0;
        for (const QVector<double> &p : periods)
            sum += p.at(k);
        out.append(sum);
    }
    return out;
}

} // namespace bench
