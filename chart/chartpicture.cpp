#include "chartpicture.h"

#include "atomicfile.h"
#include "chartexceptions.h"
#include "chartmessages.h"
#include "exceptions.h"
#include "messages.h"
#include "qtstrings.h"
#include "tchart.h"
#include "tvelcanvas3d.h"
#include "vectortarget.h"

#include <QBuffer>
#include <QCoreApplication>
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
#include <cstdio>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace
{

// Without a resolution of its own, the chart's pixels are drawn at 96 dots per inch in the SVG
// file, and in the PDF file a pixel is one point, so the page has the chart's size exactly. With
// one, both pages measure the picture's size at it.
constexpr int kScreenDpi = 96;
constexpr int kPointsPerInch = 72;
constexpr double kMillimetresPerInch = 25.4;

// The chart drawn at size through a painter on an image, its text and lines scaled to
// pixelsPerPoint, smoothed for print.
QImage scaledImage(TChart &chart, const QSize &size, double pixelsPerPoint)
{
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(PixelOf(clWhite));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    VectorTarget target(painter, TRect { 0, 0, size.width(), size.height() }, {}, pixelsPerPoint);
    chart.Draw(target);
    painter.end();
    return image;
}

// For the time of one picture for print: the compact legend and the stack's y caption, given
// back afterwards.
class PrintLook
{
public:
    PrintLook(TChart &chart, bool forPrint)
        : m_chart(chart)
        , m_compact(chart.LegendCompact())
        , m_caption(chart.LeftAxis()->Title.Caption())
    {
        if (!forPrint)
            return;
        m_chart.SetLegendCompact(true);
        if (!m_chart.LeftAxis()->Labels() && m_caption.isEmpty())
            m_chart.LeftAxis()->Title.SetCaption(
                QCoreApplication::translate("TChart", "Intensität (versetzt)"));
    }
    ~PrintLook()
    {
        m_chart.SetLegendCompact(m_compact);
        m_chart.LeftAxis()->Title.SetCaption(m_caption);
    }
    PrintLook(const PrintLook &) = delete;
    PrintLook &operator=(const PrintLook &) = delete;

private:
    TChart &m_chart;
    bool m_compact;
    QString m_caption;
};

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

using PolylineHook = VectorTarget::PolylineHook;

// One pass of the chart drawn onto device at size, with the series' polylines given to hook
// (when set) in place of the painter's.
void drawOnDevice(TChart &chart, QPaintDevice &device, const QSize &size, PolylineHook hook,
    double pixelsPerPoint)
{
    QPainter painter(&device);
    VectorTarget target(
        painter, TRect { 0, 0, size.width(), size.height() }, std::move(hook), pixelsPerPoint);
    chart.Draw(target);
    painter.end();
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

QByteArray svgBytes(
    TChart &chart, const QSize &size, int dpi, double pixelsPerPoint, bool placeholders = true)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(dpi > 0 ? dpi : kScreenDpi);
    svg.setTitle(chart.Title.Text().join(QLatin1Char(' ')));
    std::vector<QPolygon> polylines;
    PolylineHook hook;
    if (placeholders)
        hook = [&polylines](QPainter &painter, const QPolygon &points, TColor, const QRect &) {
            polylines.push_back(points);
            painter.drawPolyline(kPlaceholder, 2);
        };
    drawOnDevice(chart, svg, size, std::move(hook), pixelsPerPoint);
    if (placeholders && !writePolylines(bytes, polylines))
        return svgBytes(chart, size, dpi, pixelsPerPoint, false);
    // Without a resolution the size in pixels rather than the generator's millimetres, which
    // renderers convert at differing resolutions; with one, the size at it in millimetres.
    const qsizetype at = bytes.indexOf("width=\"");
    const qsizetype end = at < 0 ? -1 : bytes.indexOf("mm\"", bytes.indexOf("height=\"", at));
    const auto millimetres = [dpi](int pixels) {
        return QString::number(pixels * kMillimetresPerInch / dpi, 'f', 2) + QStringLiteral("mm");
    };
    if (at >= 0 && end > at)
        bytes.replace(at, end + 3 - at,
            QStringLiteral("width=\"%1\" height=\"%2\"")
                .arg(dpi > 0 ? millimetres(size.width()) : QString::number(size.width()),
                    dpi > 0 ? millimetres(size.height()) : QString::number(size.height()))
                .toUtf8());
    return bytes;
}

// Qt's PDF writer compresses the page at its default level, and the series' polylines are nearly
// all of a dense chart's page: compressing them took more than half the export. So Qt draws the
// chart without them, and they go into a stream of their own, written and compressed here at the
// fastest level, which the page shows after Qt's: /Contents becomes [q, Qt's page, Q and the
// polylines], so that whatever state Qt's page leaves, the polylines start from the page's own.
// The objects and the cross-reference table are Qt's with these two added; should Qt's file not
// have the expected form (another Qt), it is drawn again with Qt writing the polylines.
struct PdfPolyline {
    QPolygon Points;
    TColor Color;
    QRect Clip;
    double Width;
};

void appendReal(QByteArray &bytes, double value)
{
    char digits[32];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 4).ptr;
    bytes.append(digits, end - digits);
}

// The polylines in the page's coordinates (y down from the top, as Qt's page has them, in device
// pixels of pointsPerPixel points each).
QByteArray polylineContent(
    const std::vector<PdfPolyline> &polylines, double pageHeight, double pointsPerPixel)
{
    qsizetype points = 0;
    for (const PdfPolyline &polyline : polylines)
        points += polyline.Points.size();
    QByteArray out;
    out.reserve(64 + 12 * points + 80 * static_cast<qsizetype>(polylines.size()));
    out.append("Q\nq\n");
    if (pointsPerPixel == 1.0) {
        out.append("1 0 0 -1 0 ");
    } else {
        appendReal(out, pointsPerPixel);
        out.append(" 0 0 ");
        appendReal(out, -pointsPerPixel);
        out.append(" 0 ");
    }
    appendReal(out, pageHeight);
    out.append(" cm\n1 w 2 J 2 j [] 0 d\n");
    for (const PdfPolyline &polyline : polylines) {
        const QRect &c = polyline.Clip;
        out.append("q\n");
        for (const int v : { c.x(), c.y(), c.width(), c.height() }) {
            appendNumber(out, v);
            out.append(' ');
        }
        out.append("re W n\n1 0 0 1 0.5 0.5 cm\n");
        if (polyline.Width != 1.0) {
            appendReal(out, polyline.Width);
            out.append(" w\n");
        }
        for (const unsigned shift : { 0u, 8u, 16u }) {
            appendReal(out, static_cast<double>((polyline.Color >> shift) & 0xFFu) / 255.0);
            out.append(' ');
        }
        out.append("RG\n");
        bool first = true;
        for (const QPoint &point : polyline.Points) {
            appendNumber(out, point.x());
            out.append(' ');
            appendNumber(out, point.y());
            out.append(first ? " m\n" : " l\n");
            first = false;
        }
        out.append("S\nQ\n");
    }
    out.append("Q\n");
    return out;
}

// The decimal number at bytes[at], or -1.
long long numberAt(const QByteArray &bytes, qsizetype at)
{
    long long value = -1;
    if (at < 0 || at >= bytes.size())
        return -1;
    const char *begin = bytes.constData() + at;
    const auto result = std::from_chars(begin, bytes.constData() + bytes.size(), value);
    return result.ptr == begin ? -1 : value;
}

void appendObject(QByteArray &out, long long number, const QByteArray &dictionary,
    const QByteArray &stream, std::vector<long long> &offsets)
{
    offsets.push_back(out.size());
    out.append(QByteArray::number(number) + " 0 obj\n<<\n" + dictionary + "/Length "
        + QByteArray::number(stream.size()) + "\n>>\nstream\n");
    out.append(stream);
    out.append("\nendstream\nendobj\n");
}

// Qt's file with the polylines' stream added, or an empty array when its form is not the one
// expected.
QByteArray addPolylines(
    const QByteArray &pdf, const std::vector<PdfPolyline> &polylines, double pointsPerPixel)
{
    // The cross-reference table: "xref", "0 n" and n entries of 20 bytes, then the trailer.
    const qsizetype startxref = pdf.lastIndexOf("startxref\n");
    const long long xref = numberAt(pdf, startxref + 10);
    if (startxref < 0 || xref <= 0 || xref >= startxref || !pdf.mid(xref).startsWith("xref\n0 "))
        return {};
    const long long count = numberAt(pdf, static_cast<qsizetype>(xref) + 7);
    const qsizetype entries = pdf.indexOf('\n', static_cast<qsizetype>(xref) + 7) + 1;
    if (count < 2 || entries <= 0 || entries + 20 * count > startxref)
        return {};
    const qsizetype trailer = entries + static_cast<qsizetype>(20 * count);
    if (!pdf.mid(trailer).startsWith("trailer\n"))
        return {};
    const QByteArray trailerText = pdf.mid(trailer, startxref - trailer);
    if (numberAt(trailerText, trailerText.indexOf("/Size ") + 6) != count)
        return {};

    // The one page, its contents and its height.
    const qsizetype page = pdf.indexOf("/Type /Page\n");
    if (page < 0 || pdf.indexOf("/Type /Page\n", page + 1) >= 0)
        return {};
    const qsizetype pageEnd = pdf.indexOf("endobj", page);
    const qsizetype contents = pdf.indexOf("/Contents ", page);
    const long long contentsObject = numberAt(pdf, contents + 10);
    const qsizetype reference = pdf.indexOf(" 0 R", contents);
    const qsizetype box = pdf.indexOf("/MediaBox [0 0 ", page);
    if (pageEnd < 0 || contents < 0 || contents > pageEnd || contentsObject <= 0 || reference < 0
        || reference > pageEnd || box < 0 || box > pageEnd)
        return {};
    const qsizetype heightAt = pdf.indexOf(' ', box + 15) + 1;
    double height = 0;
    if (heightAt <= 0
        || std::from_chars(pdf.constData() + heightAt, pdf.constData() + pageEnd, height).ec
            != std::errc()
        || !(height > 0))
        return {};

    const long long open = count, rest = count + 1;
    const QByteArray newContents = "/Contents [" + QByteArray::number(open) + " 0 R "
        + QByteArray::number(contentsObject) + " 0 R " + QByteArray::number(rest) + " 0 R]";
    const qsizetype replaced = reference + 4 - contents;
    const qsizetype shift = newContents.size() - replaced;

    QByteArray out;
    out.reserve(pdf.size() + 12 * static_cast<qsizetype>(polylines.size()) + 4096);
    out.append(pdf.constData(), contents);
    out.append(newContents);
    out.append(
        pdf.constData() + contents + replaced, static_cast<qsizetype>(xref) - contents - replaced);
    std::vector<long long> added;
    appendObject(out, open, {}, QByteArray("q\n"), added);
    // qCompress puts the length before the zlib stream.
    const QByteArray content = polylineContent(polylines, height, pointsPerPixel);
    appendObject(out, rest, "/Filter /FlateDecode\n", qCompress(content, 1).mid(4), added);

    const qsizetype newXref = out.size();
    out.append("xref\n0 " + QByteArray::number(count + 2) + "\n");
    for (long long k = 0; k < count; ++k) {
        const qsizetype entry = entries + static_cast<qsizetype>(20 * k);
        long long offset = numberAt(pdf, entry);
        if (offset < 0 || pdf.at(entry + 17) != (k == 0 ? 'f' : 'n'))
            return {};
        if (k > 0 && offset > contents)
            offset += shift;
        char line[21];
        std::snprintf(line, sizeof line, "%010lld", offset);
        out.append(line, 10);
        out.append(pdf.constData() + entry + 10, 10);
    }
    for (const long long offset : added) {
        char line[21];
        std::snprintf(line, sizeof line, "%010lld 00000 n \n", offset);
        out.append(line, 20);
    }
    QByteArray newTrailer = trailerText;
    const qsizetype size = newTrailer.indexOf("/Size ") + 6;
    const qsizetype sizeEnd = newTrailer.indexOf(' ', size);
    const qsizetype lineEnd = newTrailer.indexOf('\n', size);
    newTrailer.replace(size, (sizeEnd >= 0 && sizeEnd < lineEnd ? sizeEnd : lineEnd) - size,
        QByteArray::number(count + 2));
    out.append(newTrailer);
    out.append("startxref\n" + QByteArray::number(newXref) + "\n%%EOF\n");
    return out;
}

QByteArray pdfBytes(
    TChart &chart, const QSize &size, int dpi, double pixelsPerPoint, bool ownPolylines = true)
{
    const int resolution = dpi > 0 ? dpi : kPointsPerInch;
    const double pointsPerPixel = static_cast<double>(kPointsPerInch) / resolution;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    std::vector<PdfPolyline> polylines;
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(resolution);
        pdf.setTitle(chart.Title.Text().join(QLatin1Char(' ')));
        pdf.setCreator(QStringLiteral("Peakhound"));
        const QPageSize page = dpi > 0
            ? QPageSize(QSizeF(size.width() * pointsPerPixel, size.height() * pointsPerPixel),
                QPageSize::Point, QString(), QPageSize::ExactMatch)
            : QPageSize(size, QString(), QPageSize::ExactMatch);
        pdf.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
        PolylineHook hook;
        if (ownPolylines)
            hook = [&polylines](
                       QPainter &painter, const QPolygon &points, TColor color, const QRect &clip) {
                polylines.push_back({ points, color, clip, painter.pen().widthF() });
            };
        drawOnDevice(chart, pdf, size, std::move(hook), pixelsPerPoint);
    }
    if (!ownPolylines || polylines.empty())
        return bytes;
    QByteArray whole = addPolylines(bytes, polylines, pointsPerPixel);
    return whole.isEmpty() ? pdfBytes(chart, size, dpi, pixelsPerPoint, false) : whole;
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

double PicturePixelsPerPoint(const PictureOptions &options)
{
    if (options.TextSize <= 0)
        return CanvasTarget::kScreenPixelsPerPoint;
    const int dpi = options.Dpi > 0 ? options.Dpi : kScreenDpi;
    return static_cast<double>(dpi) * options.TextSize
        / (static_cast<double>(kPointsPerInch) * TChartFont::kDefaultSize);
}

QByteArray EncodeChartPicture(TChart &chart, PictureFormat format, const PictureOptions &options)
{
    const QSize size = options.Size.isEmpty() ? chart.size() : options.Size;
    const double pixelsPerPoint = PicturePixelsPerPoint(options);
    const bool scaled = pixelsPerPoint != CanvasTarget::kScreenPixelsPerPoint;
    QByteArray bytes;
    std::optional<PrintLook> look;
    look.emplace(chart, options.ForPrint);
    switch (format) {
    case PictureFormat::Bmp:
    case PictureFormat::Png: {
        const QImage image = scaled
            ? scaledImage(chart, size, pixelsPerPoint)
            : chart.CreateChartBitmap(clWhite, TRect { 0, 0, size.width(), size.height() });
        bytes = format == PictureFormat::Bmp ? rasterBytes(image, "bmp", 0)
                                             : rasterBytes(image, "png", options.Dpi);
        break;
    }
    case PictureFormat::Svg:
        bytes = svgBytes(chart, size, options.Dpi, pixelsPerPoint);
        break;
    case PictureFormat::Pdf:
        bytes = pdfBytes(chart, size, options.Dpi, pixelsPerPoint);
        break;
    }
    look.reset();
    if (size != chart.size() || scaled || options.ForPrint)
        chart.Repaint();
    return bytes;
}

void SaveChartPicture(
    TChart &chart, const QString &fileName, PictureFormat format, const PictureOptions &options)
{
    const QByteArray bytes = EncodeChartPicture(chart, format, options);
    const std::string_view encoded(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    if (bytes.isEmpty())
        throw EFCreateError(PictureFileError(QDir::toNativeSeparators(fileName).toStdString()));
    const auto failure = TryWriteFileAtomically(FileNameToStd(fileName), encoded);
    if (failure)
        throw EFCreateError(
            PictureFileError(QDir::toNativeSeparators(fileName).toStdString(), &*failure));
}

// The chart's own BMP export is the picture write path's, at the chart's size.
void TChart::SaveChartBitmap(const QString &fileName)
{
    SaveChartPicture(*this, fileName, PictureFormat::Bmp, {});
}
