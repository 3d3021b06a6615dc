#include "numformat.h"
#include "separators.h"

#include <QTest>

namespace
{
const NumberSeparators kGerman { ',', '.' };
const NumberSeparators kEnglish { '.', ',' };
} // namespace

class tst_NumFormat : public QObject
{
    Q_OBJECT

private slots:
    void axisPattern_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("english");
        QTest::newRow("1234.5") << 1234.5 << "1.234,5"
                                << "1,234.5";
        QTest::newRow("0") << 0.0 << "0"
                           << "0";
        QTest::newRow("0.0004") << 0.0004 << "0"
                                << "0";
        QTest::newRow("-0.0004") << -0.0004 << "0"
                                 << "0";
        QTest::newRow("0.0005") << 0.0005 << "0,001"
                                << "0.001";
        QTest::newRow("-1234567.891") << -1234567.891 << "-1.234.567,891"
                                      << "-1,234,567.891";
        QTest::newRow("999.9996") << 999.9996 << "1.000"
                                  << "1,000";
        QTest::newRow("0.1") << 0.1 << "0,1"
                             << "0.1";
        QTest::newRow("100") << 100.0 << "100"
                             << "100";
        QTest::newRow("0.0625") << 0.0625 << "0,063"
                                << "0.063";
        // Stored as 1.000499999..., so the half is not reached.
        QTest::newRow("1.0005") << 1.0005 << "1"
                                << "1";
        QTest::newRow("1e20") << 1e20 << "100.000.000.000.000.000.000"
                              << "100,000,000,000,000,000,000";
        QTest::newRow("2.5e-7") << 2.5e-7 << "0"
                                << "0";
    }
    void axisPattern()
    {
        QFETCH(double, value);
        QFETCH(QString, german);
        QFETCH(QString, english);
        QCOMPARE(QString::fromStdString(FormatFloat("#,##0.###", value, kGerman)), german);
        QCOMPARE(QString::fromStdString(FormatFloat("#,##0.###", value, kEnglish)), english);
    }

    void otherPatterns()
    {
        QCOMPARE(FormatFloat("0.00", 3.14159, kEnglish), std::string("3.14"));
        QCOMPARE(FormatFloat("0.00", 2, kGerman), std::string("2,00"));
        QCOMPARE(FormatFloat("000", 7, kEnglish), std::string("007"));
        QCOMPARE(FormatFloat("##0.## %", 12.346, kEnglish), std::string("12.35 %"));
        QCOMPARE(FormatFloat("'x='0.0", 1.25, kEnglish), std::string("x=1.3"));
    }

    void currentSeparatorsAreUsedByDefault()
    {
        SetNumberSeparators(kGerman);
        QCOMPARE(FormatFloat("#,##0.###", 1234.5), std::string("1.234,5"));
        SetNumberSeparators(kEnglish);
        QCOMPARE(FormatFloat("#,##0.###", 1234.5), std::string("1,234.5"));
    }

    void fixed()
    {
        QCOMPARE(FormatFixed(3.14159, 8, 2), std::string("    3.14"));
        QCOMPARE(FormatFixed(-0.5, 0, 0), std::string("-1"));
        QCOMPARE(FormatFixed(2.5, 0, 0), std::string("3"));
        QCOMPARE(FormatFixed(-0.001, 0, 2), std::string("0.00"));
        QCOMPARE(FormatFixed(1234.5, 3, 1, ','), std::string("1234,5"));
        QCOMPARE(FormatFixed(1234.5, 7, 2, kGerman), std::string("1234,50"));
        QCOMPARE(FormatFixed(0.000123, 0, 6), std::string("0.000123"));
        QCOMPARE(FormatFixed(99.9951, 0, 2), std::string("100.00"));
    }
};

QTEST_GUILESS_MAIN(tst_NumFormat)
#include "tst_numformat.moc"
