#include <QtTest>

#include "live/pollplan.h"

using live::LiveRead;
using Plan = QVector<LiveRead>;

namespace QTest {
template <> char *toString(const LiveRead &r)
{
    return qstrdup(QByteArray::number(r.start) + "x" + QByteArray::number(r.count));
}
} // namespace QTest

// The reads of one poll cycle, in the order they go out.
class tst_PollPlan : public QObject
{
    Q_OBJECT

    static Plan starts(std::initializer_list<int> addresses, quint16 count)
    {
        Plan plan;
        for (int a : addresses)
            plan.append({quint16(a), count});
        return plan;
    }

private slots:
    void currentInputAndCountingInputWithBistableSolenoid()
    {
        const Plan expected = Plan{{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}} +
                              starts({32811, 32813, 32815, 32817, 32819, 32821}, 2) +
                              starts({32773, 32777, 32781, 32785}, 2);
        QCOMPARE(live::pollPlan(0, 4, 2), expected);
    }

    void capacitorOnlyForBistableSolenoid()
    {
        const Plan status{{36861, 2}, {32768, 1}, {36859, 2}};
        QCOMPARE(live::pollPlan(1, 0, 0), status);
        QCOMPARE(live::pollPlan(2, 0, 0), status);
        QCOMPARE(live::pollPlan(7, 0, 0), status);
        QCOMPARE(live::pollPlan(0, 0, 0), Plan({{36861, 2}, {36851, 1}, {32768, 1}, {36859, 2}}));
    }

    void inputsByType()
    {
        const Plan status{{36861, 2}, {32768, 1}, {36859, 2}};
        QCOMPARE(live::pollPlan(1, 1, 1), status + Plan({{32769, 1}, {32770, 1}}));
        QCOMPARE(live::pollPlan(1, 2, 0), status + starts({32771, 32775, 32779, 32783}, 2));
        QCOMPARE(live::pollPlan(1, 0, 3),
                 status + starts({32823, 32825, 32827, 32829, 32831, 32833}, 2));
        // input 1 always goes before input 2
        QCOMPARE(live::pollPlan(1, 1, 2),
                 status + Plan({{32769, 1}}) + starts({32773, 32777, 32781, 32785}, 2));
        // types the controller does not know read nothing
        QCOMPARE(live::pollPlan(1, 5, 0xFFFF), status);
    }
};

QTEST_APPLESS_MAIN(tst_PollPlan)
#include "tst_pollplan.moc"
