#include "bench/stats.h"

#include <QStringList>

#include <algorithm>

namespace bench {

Summary summarize(QVector<double> samples)
{
    Summary s;
    s.n = samples.size();
    if (samples.isEmpty())
        return s;
    std::sort(samples.begin(), samples.end());
    s.min = samples.first();
    s.max = samples.last();
    const int mid = s.n / 2;
    s.median = s.n % 2 ? samples.at(mid) : (samples.at(mid - 1) + samples.at(mid)) / 2;
    return s;
}

QString ratioText(double numerator, double denominator)
{
    if (numerator <= 0 || denominator <= 0)
        return QStringLiteral("-");
    return QString::number(numerator / denominator, 'f', 2) + QLatin1Char('x');
}

namespace {

QStringList cellsOf(const Row &row)
{
    const auto num = [&row](double v) { return QString::number(v, 'f', row.decimals); };
    const bool measured = row.s.n > 0;
    const QString unit = row.unit.isEmpty() ? QString() : QLatin1Char(' ') + row.unit;
    return {row.id,
            row.figure,
            row.baud ? QString::number(row.baud) : QStringLiteral("-"),
            QString::number(row.s.n),
            measured ? num(row.s.min) : QStringLiteral("-"),
            measured ? num(row.s.median) + unit : QStringLiteral("not measured"),
            measured ? num(row.s.max) : QStringLiteral("-"),
            row.limit > 0 ? num(row.limit) + unit : QStringLiteral("-"),
            measured && row.limit > 0 ? ratioText(row.s.median, row.limit) : QStringLiteral("-"),
            row.comparison.isEmpty() ? QStringLiteral("-") : row.comparison,
            row.goal.isEmpty() ? QStringLiteral("-") : row.goal};
}

QString joinRow(const QStringList &cells, const QVector<int> &widths)
{
    QString line = QStringLiteral("|");
    for (int i = 0; i < cells.size(); ++i)
        line += QLatin1Char(' ') + cells.at(i).leftJustified(widths.at(i)) + QStringLiteral(" |");
    return line;
}

} // namespace

QString formatTable(const QVector<Row> &rows)
{
    const QStringList header = {
        QStringLiteral("#"),        QStringLiteral("Figure"),     QStringLiteral("Baud"),
        QStringLiteral("n"),        QStringLiteral("Min"),        QStringLiteral("Median"),
        QStringLiteral("Max"),      QStringLiteral("Wire limit"), QStringLiteral("Median/limit"),
        QStringLiteral("Compared"), QStringLiteral("Goal")};
    QVector<QStringList> lines = {header};
    for (const Row &row : rows)
        lines.append(cellsOf(row));

    QVector<int> widths(header.size(), 3);
    for (const QStringList &cells : lines)
        for (int i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], int(cells.at(i).size()));

    QStringList out = {joinRow(header, widths)};
    QStringList rule;
    for (int w : widths)
        rule << QString(w, QLatin1Char('-'));
    out << joinRow(rule, widths);
    for (int i = 1; i < lines.size(); ++i)
        out << joinRow(lines.at(i), widths);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace bench
