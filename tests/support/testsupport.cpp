#include "testsupport.h"

#include <QFile>
#include <QRegularExpression>

TestFolder::TestFolder()
{
    QVERIFY2(m_dir.isValid(), "cannot create a temporary folder");
}

std::string TestFolder::path(const std::string &name) const
{
    return m_dir.filePath(QString::fromStdString(name)).toStdString();
}

std::string TestFolder::root() const
{
    return m_dir.path().toStdString();
}

std::string TestFolder::write(const std::string &name, const std::string &bytes) const
{
    const std::string fileName = path(name);
    QFile file(QString::fromStdString(fileName));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return fileName;
}

std::string SpectrumText(const std::string &xCaption, const std::string &yCaption,
    const std::string &columnHeader, const std::vector<std::string> &dataLines,
    const std::string &lineEnd)
{
    std::string text = "Probe" + lineEnd + "x-data = " + xCaption + " y-data = " + yCaption
        + lineEnd + columnHeader + lineEnd;
    for (const auto &line : dataLines)
        text += line + lineEnd;
    return text;
}

std::string TaggedSpectra(const std::vector<int> &tags, const std::string &yCaption)
{
    std::string header = "Shift";
    for (std::size_t j = 0; j < tags.size(); ++j)
        header += "\tS" + std::to_string(j);
    std::vector<std::string> lines;
    for (int r = 1; r <= 3; ++r) {
        std::string line = std::to_string(1000 + r);
        for (const int tag : tags)
            line += "\t" + std::to_string(tag + r);
        lines.push_back(line);
    }
    return SpectrumText("Raman shift", yCaption, header, lines);
}

QByteArray ManualPageVersion(const QString &page)
{
    QFile file(qEnvironmentVariable("PEAKHOUND_SOURCE_DIR") + QStringLiteral("/man/") + page);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression title(QStringLiteral("^\\.TH .* \"Peakhound ([^\"]+)\""));
    return title.match(QString::fromUtf8(file.readLine())).captured(1).toUtf8();
}
