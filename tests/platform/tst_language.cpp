#include "language.h"
#include "messages.h"

#include <QTest>

// The choice of the language from the environment, and the runtime's messages in it.
class tst_Language : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { SetMessageLanguage(UiLanguage::German); }
    void choiceFollowsTheMessagesLocale_data();
    void choiceFollowsTheMessagesLocale();
    void messagesAreTranslatedPieceByPiece();
};

void tst_Language::choiceFollowsTheMessagesLocale_data()
{
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcMessages");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<bool>("english");
    // An empty value stands for an unset variable, as it does for the C library.
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << QByteArray()
                                 << false;
    QTest::newRow("LANG English") << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8")
                                  << QByteArray() << true;
    QTest::newRow("bare en@quot") << QByteArray() << QByteArray() << QByteArray("en@quot")
                                  << QByteArray() << true;
    QTest::newRow("LANG German") << QByteArray() << QByteArray() << QByteArray("de_DE.UTF-8")
                                 << QByteArray() << false;
    QTest::newRow("LANG French") << QByteArray() << QByteArray() << QByteArray("fr_FR.UTF-8")
                                 << QByteArray() << false;
    QTest::newRow("LC_ALL C over English LANG")
        << QByteArray("C") << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("en")
        << false;
    QTest::newRow("C.UTF-8 ignores LANGUAGE")
        << QByteArray() << QByteArray() << QByteArray("C.UTF-8") << QByteArray("en") << false;
    QTest::newRow("POSIX ignores LANGUAGE")
        << QByteArray() << QByteArray("POSIX") << QByteArray("en_GB") << QByteArray("en") << false;
    QTest::newRow("LC_MESSAGES over LANG") << QByteArray() << QByteArray("en_GB.UTF-8")
                                           << QByteArray("de_DE.UTF-8") << QByteArray() << true;
    QTest::newRow("LC_ALL over LC_MESSAGES")
        << QByteArray("de_AT.UTF-8") << QByteArray("en_GB.UTF-8") << QByteArray() << QByteArray()
        << false;
    QTest::newRow("LANGUAGE English first")
        << QByteArray() << QByteArray() << QByteArray("de_DE.UTF-8") << QByteArray("fr:en_GB:de")
        << true;
    QTest::newRow("LANGUAGE German first")
        << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("de:en")
        << false;
    QTest::newRow("LANGUAGE without either")
        << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("fr:it") << true;
}

void tst_Language::choiceFollowsTheMessagesLocale()
{
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcMessages);
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, language);
    QFETCH(bool, english);
    const auto value = [](const QByteArray &text) {
        return text.isEmpty() ? static_cast<const char *>(nullptr) : text.constData();
    };
    QCOMPARE(ChooseLanguage({ value(lcAll), value(lcMessages), value(lang), value(language) })
            == UiLanguage::English,
        english);
}

void tst_Language::messagesAreTranslatedPieceByPiece()
{
    const std::string full =
        "/data/a.spc: " + FormatMessage(Messages::WriteError, WriteFailureText(28))
        + "\r\t/data/b.txt: " + FormatMessage("beschädigt oder nicht lesbar (%s)", "SPC");
    // German: the texts of the code, untouched.
    QCOMPARE(TranslatedMessage(full), full);
    SetMessageLanguage(UiLanguage::English);
    // A field of a pattern is carried over and translated in turn; a file name stays.
    QCOMPARE(TranslatedMessage(full),
        std::string("/data/a.spc: Write error: I/O error 28: no space left on the disk\r\t"
                    "/data/b.txt: damaged or unreadable (SPC)"));
    QCOMPARE(TranslatedMessage(FormatMessage(Messages::SpectrumNumberRange, 12)),
        std::string("The spectrum number must lie between 0 and 12."));
    // The box of 200,000 refused files: every line translated, the list no deeper than a line.
    std::string list;
    for (int i = 0; i < 200000; ++i)
        list += "\t/data/f" + std::to_string(i) + ".txt: falsches Format\r";
    const std::string english = TranslatedMessage(list);
    QCOMPARE(english.size(),
        list.size() - 200000 * std::string("falsches").size()
            + 200000 * std::string("wrong").size());
    QVERIFY(english.find("\t/data/f199999.txt: wrong format\r") != std::string::npos);
    // A number field takes digits only, and a text of no entry stays as it is.
    QCOMPARE(TranslatedMessage("E/A-Fehler x"), std::string("E/A-Fehler x"));
    QCOMPARE(TranslatedMessage("peakhound-search: unknown option"),
        std::string("peakhound-search: unknown option"));
}

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_language.moc"
