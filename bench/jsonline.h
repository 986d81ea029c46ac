// The measuring programs report to the bench driver with one compact JSON object per line on
// standard output.
#ifndef BENCH_JSONLINE_H
#define BENCH_JSONLINE_H

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace bench {

inline void emitLine(const QJsonObject &object)
{
    std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

} // namespace bench

#endif // BENCH_JSONLINE_H
