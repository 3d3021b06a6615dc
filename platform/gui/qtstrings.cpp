#include "qtstrings.h"

#include <QFile>
#include <QStringDecoder>

QString ToQString(const std::string &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToStdString(const QString &text)
{
    return text.toStdString();
}

std::string FileNameToStd(const QString &fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

QString FileNameFromStd(const std::string &fileName)
{
    return QFile::decodeName(QByteArray::fromStdString(fileName));
}
