#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

// Checks that an expression throws exactly the exception type E with exactly the given message.
//   PH_EXPECT_THROW(EConvertError, StrToFloat("abc"), "'abc' ist kein gültiger Gleitkommawert");
#define PH_EXPECT_THROW(E, expression, message)                                                    \
    do {                                                                                           \
        bool phCaught_ = false;                                                                    \
        try {                                                                                      \
            (void)(expression);                                                                    \
        } catch (const E &phError_) {                                                              \
            phCaught_ = true;                                                                      \
            QCOMPARE(QString::fromStdString(phError_.what()),                                      \
                QString::fromStdString(std::string(message)));                                     \
        } catch (const std::exception &phOther_) {                                                 \
            QFAIL(qPrintable(QStringLiteral("unexpected exception: ")                              \
                + QString::fromStdString(phOther_.what())));                                       \
        }                                                                                          \
        if (!phCaught_)                                                                            \
            QFAIL("expected " #E " from " #expression);                                            \
    } while (false)

// A temporary folder that tests write their input files into; removed with the object.
class TestFolder
{
public:
    TestFolder();
    // Writes bytes exactly as given and returns the file's full path.
    std::string write(const std::string &name, const std::string &bytes) const;
    std::string path(const std::string &name) const;
    std::string root() const;

private:
    QTemporaryDir m_dir;
};

// A spectrum file's text: the three header lines and the data lines joined with lineEnd.
std::string SpectrumText(const std::string &xCaption, const std::string &yCaption,
    const std::string &columnHeader, const std::vector<std::string> &dataLines,
    const std::string &lineEnd = "\r\n");

// A spectrum file of three rows whose spectrum j holds tags[j] + row, so that every column tells
// where it came from; x is 1000 + row.
std::string TaggedSpectra(const std::vector<int> &tags, const std::string &yCaption = "Intensity");

// The version a command's manual page names in its title line ("Peakhound 2.5" gives "2.5"),
// from the source tree; empty when the page or its title cannot be read.
QByteArray ManualPageVersion(const QString &page);
