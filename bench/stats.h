// Samples of a figure and the table the bench prints.
#ifndef BENCH_STATS_H
#define BENCH_STATS_H

#include <QString>
#include <QVector>

namespace bench {

struct Summary
{
    int n = 0;
    double min = 0;
    double median = 0; // the mean of the two middle samples when n is even
    double max = 0;
};

Summary summarize(QVector<double> samples);

// "1.09x"; "-" when either side is missing (zero or negative).
QString ratioText(double numerator, double denominator);

// One line of the table. Numbers are in `unit`; a zero limit means the figure has none.
struct Row
{
    QString id;     // the figure's number
    QString figure; // what was measured
    int baud = 0;   // 0 when the figure does not depend on the line
    QString unit;   // "ms", "MB", "reads"
    Summary s;
    double limit = 0;   // the wire-time limit of the same exchanges
    QString comparison; // a ratio to another measurement, e.g. "1.01x bare client"
    QString goal;
    int decimals = 2;
};

// A Markdown table: figure, baud, n, min, median, max, limit, median/limit, comparison, goal.
QString formatTable(const QVector<Row> &rows);

} // namespace bench

#endif // BENCH_STATS_H
