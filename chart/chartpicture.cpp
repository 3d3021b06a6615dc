#include "chartpicture.h"

#include "atomicfile.h"
#include "chartmessages.h"
#include "exceptions.h"
#include "messages.h"
#include "qtstrings.h"
#include "tchart.h"
#include "tvelcanvas3d.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygon>
#include <QSvgGenerator>
#include <charconv>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

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

// Qt's SVG generator writes every coordinate through QTextStream's general number formatting,
// nearly two thousand instructions a number, and the series' polylines are nearly all of a dense
// chart's file. So the generator draws each of them as a placeholder, two points at a quarter
// pixel, where the chart draws nothing, and the polylines' points, whole pixels, are written in
// their place afterwards, in the same text as the generator's. Should the placeholders not come
// out as expected (another Qt), the file is drawn again with the generator writing the polylines.
constexpr QPointF kPlaceholder[2] = { QPointF(-0.25, -0.25), QPointF(-0.25, -0.25) };
constexpr std::string_view kPlaceholderPoints = "points=\"-0.25,-0.25 -0.25,-0.25 \"";

void appendNumber(QByteArray &bytes, int value)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    bytes.append(digits, end - digits);
}

// The polylines' points in place of the placeholders, in order; false unless there is exactly one
// placeholder a polyline.
bool writePolylines(QByteArray &bytes, const std::vector<QPolygon> &polylines)
{
    const QByteArrayView placeholder(
        kPlaceholderPoints.data(), static_cast<qsizetype>(kPlaceholderPoints.size()));
    qsizetype points = 0;
    for (const QPolygon &polyline : polylines)
        points += polyline.size();
    QByteArray out;
    out.reserve(bytes.size() + 12 * points);
    qsizetype from = 0;
    for (const QPolygon &polyline : polylines) {
        const qsizetype at = bytes.indexOf(placeholder, from);
        if (at < 0)
            return false;
        out.append(bytes.constData() + from, at - from);
        out.append("points=\"");
        for (const QPoint &point : polyline) {
            appendNumber(out, point.x());
            out.append(',');
            appendNumber(out, point.y());
            out.append(' ');
        }
        out.append('"');
        from = at + placeholder.size();
    }
    if (bytes.indexOf(placeholder, from) >= 0)
        return false;
    out.append(bytes.constData() + from, bytes.size() - from);
    bytes = std::move(out);
    return true;
}

QByteArray svgBytes(TChart &chart, const QSize &size, bool placeholders = true)
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
    std::vector<QPolygon> polylines;
    {
        TVelCanvas3D &canvas = *chart.Canvas();
        struct Reset {
            TVelCanvas3D &canvas;
            ~Reset() { canvas.DrawDevicePolyline = nullptr; }
        } reset { canvas };
        if (placeholders)
            canvas.DrawDevicePolyline = [&polylines](QPainter &painter, const QPolygon &points) {
                polylines.push_back(points);
                painter.drawPolyline(kPlaceholder, 2);
            };
        QPainter painter(&svg);
        chart.Draw(painter, TRect { 0, 0, size.width(), size.height() });
        painter.end();
    }
    if (placeholders && !writePolylines(bytes, polylines))
        return svgBytes(chart, size, false);
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
