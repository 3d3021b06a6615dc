#include "chartpicture.h"

#include "atomicfile.h"
#include "chartmessages.h"
#include "exceptions.h"
#include "messages.h"
#include "qtstrings.h"
#include "tchart.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <string_view>

namespace
{

// The chart's pixels are drawn at 96 dots per inch in the SVG file; in the PDF file a pixel is one
// point, so the page has the chart's size exactly.
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;

QByteArray rasterBytes(const QImage &image, const char *format, int dpi)
{
    QImage picture = image;
    if (dpi > 0) {
        const int perMetre = static_cast<int>(std::lround(dpi / 0.0254));
        picture.setDotsPerMeterX(perMetre);
        picture.setDotsPerMeterY(perMetre);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, format).write(picture))
        return QByteArray();
    return bytes;
}

QByteArray svgBytes(TChart &chart, const QSize &size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(kScreenDpi);
    svg.setTitle(chart.Title.Text().join(QLatin1Char(' ')));
    QPainter painter(&svg);
    chart.Draw(painter, TRect { 0, 0, size.width(), size.height() });
    painter.end();
    // The size in pixels rather than the generator's millimetres, which renderers convert at
    // differing resolutions.
    const qsizetype at = bytes.indexOf("width=\"");
    const qsizetype end = at < 0 ? -1 : bytes.indexOf("mm\"", bytes.indexOf("height=\"", at));
    if (at >= 0 && end > at)
        bytes.replace(at, end + 3 - at,
            QStringLiteral("width=\"%1\" height=\"%2\"")
                .arg(size.width())
                .arg(size.height())
                .toUtf8());
    return bytes;
}

QByteArray pdfBytes(TChart &chart, const QSize &size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(kPointsPerInch);
        pdf.setTitle(chart.Title.Text().join(QLatin1Char(' ')));
        pdf.setCreator(QStringLiteral("Peakhound"));
        pdf.setPageLayout(QPageLayout(
            QPageSize(size, QString(), QPageSize::ExactMatch), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&pdf);
        chart.Draw(painter, TRect { 0, 0, size.width(), size.height() });
        painter.end();
    }
    return bytes;
}

} // namespace

PictureFormat PictureFormatOfName(const QString &fileName)
{
    const QString extension = fileName.right(4);
    if (extension == QStringLiteral(".png"))
        return PictureFormat::Png;
    if (extension == QStringLiteral(".svg"))
        return PictureFormat::Svg;
    if (extension == QStringLiteral(".pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::Bmp;
}

QByteArray EncodeChartPicture(TChart &chart, PictureFormat format, const PictureOptions &options)
{
    const QSize size = options.Size.isEmpty() ? chart.size() : options.Size;
    QByteArray bytes;
    switch (format) {
    case PictureFormat::Bmp:
    case PictureFormat::Png: {
        const QImage image =
            chart.CreateChartBitmap(clWhite, TRect { 0, 0, size.width(), size.height() });
        bytes = format == PictureFormat::Bmp ? rasterBytes(image, "bmp", 0)
                                             : rasterBytes(image, "png", options.Dpi);
        break;
    }
    case PictureFormat::Svg:
        bytes = svgBytes(chart, size);
        break;
    case PictureFormat::Pdf:
        bytes = pdfBytes(chart, size);
        break;
    }
    if (size != chart.size())
        chart.Repaint();
    return bytes;
}

void SaveChartPicture(
    TChart &chart, const QString &fileName, PictureFormat format, const PictureOptions &options)
{
    const QByteArray bytes = EncodeChartPicture(chart, format, options);
    const std::string_view encoded(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (bytes.isEmpty() || TryWriteFileAtomically(FileNameToStd(fileName), encoded) != 0)
        throw EFCreateError(FormatMessage(
            ChartMessages::CannotCreateFile, QDir::toNativeSeparators(fileName).toStdString()));
}
