#include "exceptions.h"
#include "numconv.h"
#include "separators.h"
#include "testsupport.h"

#include <QTest>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

class tst_NumConv : public QObject
{
    Q_OBJECT

private slots:
    void acceptedSyntax_data();
    void acceptedSyntax();
    void rejectedSyntax_data();
    void rejectedSyntax();
    void rangeLimits();
    void valuesAreCorrectlyRounded();
    void integers();
    void dataFieldDecimalMarks();
    void fastFieldAgreesWithTheFullConversion();
    void separatorsFromLocaleNames();
};

static const NumberSeparators kEnglish { '.', ',' };
static const NumberSeparators kGerman { ',', '.' };

void tst_NumConv::acceptedSyntax_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "1650" << 1650.0;
    QTest::newRow("blanks around") << "   12.5  " << 12.5;
    QTest::newRow("plus sign") << "+3" << 3.0;
    QTest::newRow("minus sign") << "-0.25" << -0.25;
    QTest::newRow("no integer digits") << ".5" << 0.5;
    QTest::newRow("no fraction digits") << "5." << 5.0;
    QTest::newRow("separator alone") << "." << 0.0;
    QTest::newRow("exponent") << "1.5e3" << 1500.0;
    QTest::newRow("capital exponent with sign") << "25E-1" << 2.5;
    QTest::newRow("exponent after separator") << "2.e2" << 200.0;
    QTest::newRow("leading zeros") << "000123.4500" << 123.45;
    QTest::newRow("long mantissa")
        << "1."
           "00000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
           "00000000000000000000001"
        << 1.0;
}

void tst_NumConv::acceptedSyntax()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(StrToFloat(text.toStdString(), kEnglish), value);
    // The same text with the German decimal separator converts under German separators.
    QCOMPARE(
        StrToFloat(text.replace(QLatin1Char('.'), QLatin1Char(',')).toStdString(), kGerman), value);
}

void tst_NumConv::rejectedSyntax_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("sign only") << "-";
    QTest::newRow("letters") << "abc";
    QTest::newRow("trailing letter") << "12a";
    QTest::newRow("thousands separator") << "1,234.5";
    QTest::newRow("second separator") << "1.2.3";
    QTest::newRow("exponent without digits") << "1e";
    QTest::newRow("exponent sign without digits") << "1e+";
    QTest::newRow("tab is not a blank") << "\t1";
    QTest::newRow("line feed") << "1\n";
    QTest::newRow("infinity") << "inf";
    QTest::newRow("not a number") << "nan";
    QTest::newRow("hexadecimal") << "0x10";
    QTest::newRow("two signs") << "+-1";
    QTest::newRow("blank inside") << "1 2";
}

void tst_NumConv::rejectedSyntax()
{
    QFETCH(QString, text);
    const std::string bytes = text.toStdString();
    PH_EXPECT_THROW(EConvertError, StrToFloat(bytes, kEnglish),
        "'" + bytes + "' ist kein gültiger Gleitkommawert");
}

void tst_NumConv::rangeLimits()
{
    // Beyond the double range but inside the extended range: overflow.
    PH_EXPECT_THROW(EOverflow, StrToFloat("1e309", kEnglish), "Gleitkommaüberlauf");
    PH_EXPECT_THROW(EOverflow, StrToFloat("-2e4000", kEnglish), "Gleitkommaüberlauf");
    // Beyond even the extended range: a conversion error.
    PH_EXPECT_THROW(
        EConvertError, StrToFloat("1e5000", kEnglish), "'1e5000' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, StrToFloat("1e99999999999999999999", kEnglish),
        "'1e99999999999999999999' ist kein gültiger Gleitkommawert");
    // A long text is quoted by its first 40 bytes (never half a UTF-8 character) and "...":
    // a field of megabytes gives a message of one line.
    const std::string field40 = "1e" + std::string(38, '9');
    PH_EXPECT_THROW(EConvertError, StrToFloat(field40, kEnglish),
        "'" + field40 + "' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, StrToFloat(field40 + std::string(8 << 20, 'x'), kEnglish),
        "'" + field40 + "...' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, StrToInt(std::string(39, 'a') + "\xC3\xA4 is long"),
        "'" + std::string(39, 'a') + "...' ist kein gültiger Integerwert");
    // The largest double and what rounds to it still convert.
    QCOMPARE(StrToFloat("1.7976931348623157e308", kEnglish), DBL_MAX);
    QCOMPARE(StrToFloat("1797693134862315708145274237317043567981e269", kEnglish), DBL_MAX);
    // Too small for a double: zero, never an error; subnormals survive.
    QCOMPARE(StrToFloat("1e-400", kEnglish), 0.0);
    QVERIFY(std::signbit(StrToFloat("-1e-400", kEnglish)));
    QCOMPARE(StrToFloat("0.0000000000000000000000000000001e-99999999999999", kEnglish), 0.0);
    QCOMPARE(StrToFloat("4.9406564584124654e-324", kEnglish), 4.9406564584124654e-324);
    // Zero with a huge exponent is zero.
    QCOMPARE(StrToFloat("0e99999", kEnglish), 0.0);
}

void tst_NumConv::valuesAreCorrectlyRounded()
{
    QCOMPARE(StrToFloat("0.1", kEnglish), 0.1);
    QCOMPARE(StrToFloat("1601.5", kEnglish), 1601.5);
    QCOMPARE(StrToFloat("2.2250738585072011e-308", kEnglish), 2.2250738585072011e-308);
    QCOMPARE(StrToFloat("9007199254740993", kEnglish), 9007199254740992.0); // tie to even
}

void tst_NumConv::integers()
{
    QCOMPARE(StrToInt("10"), 10);
    QCOMPARE(StrToInt("  -7 "), -7);
    QCOMPARE(StrToInt("+0"), 0);
    QCOMPARE(StrToInt("2147483647"), 2147483647);
    QCOMPARE(StrToInt("-2147483648"), -2147483647 - 1);
    PH_EXPECT_THROW(
        EConvertError, StrToInt("2147483648"), "'2147483648' ist kein gültiger Integerwert");
    PH_EXPECT_THROW(EConvertError, StrToInt("1.5"), "'1.5' ist kein gültiger Integerwert");
    PH_EXPECT_THROW(EConvertError, StrToInt(""), "'' ist kein gültiger Integerwert");
    PH_EXPECT_THROW(EConvertError, StrToInt("99999999999999999999"),
        "'99999999999999999999' ist kein gültiger Integerwert");
}

void tst_NumConv::dataFieldDecimalMarks()
{
    // One mark, comma or point, converts under either locale.
    for (const auto &separators : { kEnglish, kGerman }) {
        QCOMPARE(ConvertDataField("1601,5", separators), 1601.5);
        QCOMPARE(ConvertDataField("1601.5", separators), 1601.5);
        QCOMPARE(ConvertDataField(" 120 ", separators), 120.0);
    }
    // Two marks: the left one becomes the thousands separator, which the conversion rejects.
    PH_EXPECT_THROW(EConvertError, ConvertDataField("1.234,5", kEnglish),
        "'1,234.5' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, ConvertDataField("1,234.5", kGerman),
        "'1.234,5' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(EConvertError, ConvertDataField("1,2,3", kEnglish),
        "'1,2.3' ist kein gültiger Gleitkommawert");
    PH_EXPECT_THROW(
        EConvertError, ConvertDataField("", kEnglish), "'' ist kein gültiger Gleitkommawert");
    QCOMPARE(RewriteDecimalMarks("1.2.3,4", kGerman), std::string("1.2.3,4"));
    QCOMPARE(RewriteDecimalMarks("1.2.3,4", kEnglish), std::string("1,2,3.4"));
    // Long fields take the same rules.
    const std::string longField = std::string(200, '0') + "1,5";
    QCOMPARE(ConvertDataField(longField, kEnglish), 1.5);
    PH_EXPECT_THROW(EConvertError, ConvertDataField(longField + ".0", kEnglish),
        "'" + std::string(40, '0') + "...' ist kein gültiger Gleitkommawert");
    // A field of megabytes is refused at a glance, its start rewritten as a whole field's is.
    const std::string huge = "1.2,3" + std::string(1 << 20, '4') + ",5x";
    PH_EXPECT_THROW(EConvertError, ConvertDataField(huge, kGerman),
        "'1.2.3" + std::string(35, '4') + "...' ist kein gültiger Gleitkommawert");
}

// The reader's fast path must never give a value the full conversion would not: wherever it
// accepts a field, the full conversion gives the same double; elsewhere it declines.
void tst_NumConv::fastFieldAgreesWithTheFullConversion()
{
    const std::string alphabet = "0123456789.,eE+- x";
    std::mt19937 random(12345);
    int accepted = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string field;
        const int length = 1 + static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i)
            field += alphabet[random() % (i < 8 ? 10 : alphabet.size())];
        std::shuffle(field.begin(), field.end(), random);
        const std::string line = field + (n % 2 == 0 ? "\t7" : "");
        double fast = 0;
        const char *fieldEnd = nullptr;
        if (!ConvertPlainDataField(line.data(), line.data() + line.size(), fast, fieldEnd))
            continue;
        ++accepted;
        QCOMPARE(fieldEnd, line.data() + field.size());
        for (const NumberSeparators separators :
            { NumberSeparators { '.', ',' }, NumberSeparators { ',', '.' } }) {
            double full = 0;
            try {
                full = ConvertDataField(field, separators);
            } catch (const Exception &e) {
                QFAIL(qPrintable(QString::fromStdString(field + ": " + e.what())));
            }
            QVERIFY2(std::memcmp(&full, &fast, sizeof full) == 0, field.c_str());
        }
    }
    QVERIFY(accepted > 10000); // the shuffled fields do reach the fast path
}

void tst_NumConv::separatorsFromLocaleNames()
{
    // Whether or not the machine has these locales installed, the separators are the same.
    const NumberSeparators german = SeparatorsForLocaleName("de_DE.UTF-8");
    QCOMPARE(german.Decimal, ',');
    QCOMPARE(german.Thousands, '.');
    const NumberSeparators c = SeparatorsForLocaleName("C");
    QCOMPARE(c.Decimal, '.');
    QCOMPARE(c.Thousands, ',');
    const NumberSeparators unknown = SeparatorsForLocaleName("xx_YY");
    QCOMPARE(unknown.Decimal, '.');
    QCOMPARE(unknown.Thousands, ',');
    QCOMPARE(SeparatorsForLocaleName("fr_FR.UTF-8").Decimal, ',');
    QCOMPARE(SeparatorsForLocaleName("en_US.UTF-8").Decimal, '.');

    qputenv("LC_ALL", "");
    qputenv("LC_NUMERIC", "de_AT.UTF-8");
    qputenv("LANG", "en_GB.UTF-8");
    QCOMPARE(SeparatorsFromEnvironment().Decimal, ',');
    qputenv("LC_ALL", "C");
    QCOMPARE(SeparatorsFromEnvironment().Decimal, '.');

    SetNumberSeparators(kGerman);
    QCOMPARE(CurrentSeparators().Decimal, ',');
    QCOMPARE(StrToFloat("2,5"), 2.5);
    SetNumberSeparators(kEnglish);
    QCOMPARE(StrToFloat("2.5"), 2.5);
}

QTEST_GUILESS_MAIN(tst_NumConv)
#include "tst_numconv.moc"
