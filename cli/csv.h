#ifndef CLI_CSV_H
#define CLI_CSV_H

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVector>

#include "config/settings.h"

// The CSV of watch (live values) and of write --report.
namespace morlenta::cli {

// One CSV line without its end: fields with a comma, a quote or a line break are quoted, quotes
// doubled.
QString csvLine(const QStringList &fields);

// The columns of watch for a configuration: UTC time, valve, capacitor, temperature, clock, then
// the values of each input by its type, with their units.
QStringList watchHeader(const config::Settings &settings);
// A row: the tick's time and the words each read brought, by first register. A value the
// inputs page would not show (no answer, NaN, out of its limits) is an empty field.
QStringList watchRow(const QDateTime &time, const config::Settings &settings,
                     const QHash<int, QVector<quint16>> &words);

// The report's columns.
QStringList reportHeader();
// Appends a line to the report, its header first when the file is new or empty. False with
// `error` when the file cannot be written.
bool appendReport(const QString &path, const QStringList &fields, QString &error);

} // namespace morlenta::cli

#endif // CLI_CSV_H
