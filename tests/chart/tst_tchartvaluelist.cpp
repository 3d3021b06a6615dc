#include "exceptions.h"
#include "tchartvaluelist.h"
#include "testsupport.h"

#include <QTest>
#include <vector>

namespace
{

std::vector<double> values(const TChartValueList &list)
{
    std::vector<double> out;
    for (int i = 0; i < list.ValueCount(); ++i)
        out.push_back(list.ValueAt(i));
    return out;
}

struct CountingOwner : ChartValueListOwner {
    int repaints = 0;
    int changes = 0;
    void ValueListChanged(bool repaint) override
    {
        ++changes;
        if (repaint)
            ++repaints;
    }
};

} // namespace

class tst_TChartValueList : public QObject
{
    Q_OBJECT

private slots:
    void ascendingKeepsEqualValuesInArrivalOrder()
    {
        TChartValueList list(nullptr, "X");
        list.SetOrder(loAscending);
        QCOMPARE(list.AppendOrdered(3), 0);
        QCOMPARE(list.AppendOrdered(1), 0);
        QCOMPARE(list.AppendOrdered(2), 1);
        QCOMPARE(list.AppendOrdered(2), 2);
        QCOMPARE(values(list), (std::vector<double> { 1, 2, 2, 3 }));
        QCOMPARE(list.AppendOrdered(0.5), 0);
        QCOMPARE(list.AppendOrdered(3), 5);
    }

    void descendingMirrorsAscending()
    {
        TChartValueList list(nullptr, "X");
        list.SetOrder(loDescending);
        QCOMPARE(list.AppendOrdered(1), 0);
        QCOMPARE(list.AppendOrdered(3), 0);
        QCOMPARE(list.AppendOrdered(2), 1);
        QCOMPARE(list.AppendOrdered(2), 2);
        QCOMPARE(values(list), (std::vector<double> { 3, 2, 2, 1 }));
    }

    void unorderedListAlwaysAppends()
    {
        TChartValueList list(nullptr, "Y");
        QCOMPARE(list.Order(), loNone);
        QCOMPARE(list.AppendOrdered(5), 0);
        QCOMPARE(list.AppendOrdered(1), 1);
        QCOMPARE(list.AppendOrdered(3), 2);
        QCOMPARE(values(list), (std::vector<double> { 5, 1, 3 }));
    }

    // After SetValueAt breaks the order, the place is found by scanning back from the end, as
    // for a list whose order was never checked.
    void brokenOrderFallsBackToScanningFromTheEnd()
    {
        TChartValueList list(nullptr, "X");
        list.SetOrder(loAscending);
        for (double v : { 1.0, 2.0, 3.0, 4.0 })
            list.AppendOrdered(v);
        list.SetValueAt(0, 10); // 10, 2, 3, 4
        QVERIFY(!list.InOrder());
        QCOMPARE(list.AppendOrdered(2.5), 2); // scan stops at 2
        QCOMPARE(values(list), (std::vector<double> { 10, 2, 2.5, 3, 4 }));
        list.RemoveAllValues();
        QVERIFY(list.InOrder());
    }

    void manyDescendingValuesLandInOrder()
    {
        TChartValueList list(nullptr, "X");
        list.SetOrder(loAscending);
        for (int i = 9999; i >= 0; --i)
            QCOMPARE(list.AppendOrdered(i), 0);
        for (int i = 0; i < 10000; ++i)
            QCOMPARE(list.ValueAt(i), double(i));
        // Middle inserts move whichever side is shorter and keep the rest intact.
        QCOMPARE(list.AppendOrdered(4999.5), 5000);
        QCOMPARE(list.ValueAt(5001), 5000.0);
        QCOMPARE(list.AppendOrdered(10.5), 11);
        QCOMPARE(list.ValueAt(11), 10.5);
        QCOMPARE(list.ValueAt(12), 11.0);
        list.DeleteValueAt(11);
        QCOMPARE(list.ValueAt(5000), 4999.5);
        list.DeleteValueAt(5000);
        for (int i = 0; i < 10000; ++i)
            QCOMPARE(list.ValueAt(i), double(i));
    }

    void statistics()
    {
        TChartValueList list(nullptr, "Y");
        QCOMPARE(list.MaxOfValues(), 0.0);
        QCOMPARE(list.MinOfValues(), 0.0);
        QCOMPARE(list.SumOfValues(), 0.0);
        QCOMPARE(list.AbsSumOfValues(), 0.0);
        list.AppendOrdered(-4);
        QCOMPARE(list.MinOfValues(), -4.0);
        QCOMPARE(list.MaxOfValues(), -4.0);
        QCOMPARE(list.SumOfValues(), -4.0);
        QCOMPARE(list.AbsSumOfValues(), 4.0);
        list.AppendOrdered(6);
        list.AppendOrdered(1);
        QVERIFY(list.StatsDirty());
        QCOMPARE(list.MinOfValues(), -4.0);
        QVERIFY(!list.StatsDirty());
        QCOMPARE(list.MaxOfValues(), 6.0);
        QCOMPARE(list.SumOfValues(), 3.0);
        QCOMPARE(list.AbsSumOfValues(), 11.0);
    }

    void multiplierAppliesWhenReadingAndInvalidatesOnlyOnChange()
    {
        CountingOwner owner;
        TChartValueList list(&owner, "Y");
        list.AppendOrdered(2);
        list.AppendOrdered(-3);
        list.SetMultiplier(1.0);
        QCOMPARE(owner.repaints, 0);
        list.SetMultiplier(-2.0);
        QCOMPARE(owner.repaints, 1);
        QCOMPARE(list.ValueAt(0), -4.0);
        QCOMPARE(list.MaxOfValues(), 6.0);
        QCOMPARE(list.MinOfValues(), -4.0);
        QCOMPARE(list.RawValues()[1], -3.0);
        list.SetValueAt(1, 5);
        QCOMPARE(owner.changes, 2);
        QCOMPARE(owner.repaints, 1);
        QCOMPARE(list.MinOfValues(), -10.0);
    }

    void badIndexRaisesTheListError()
    {
        TChartValueList list(nullptr, "X");
        list.AppendOrdered(1);
        PH_EXPECT_THROW(
            EListError, list.ValueAt(1), "Der Index der Liste überschreitet das Maximum (1)");
        PH_EXPECT_THROW(EListError, list.SetValueAt(-1, 0),
            "Der Index der Liste überschreitet das Maximum (-1)");
        PH_EXPECT_THROW(
            EListError, list.DeleteValueAt(7), "Der Index der Liste überschreitet das Maximum (7)");
        QCOMPARE(list.ValueCount(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_TChartValueList)
#include "tst_tchartvaluelist.moc"
