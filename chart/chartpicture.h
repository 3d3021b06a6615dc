#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class TChart;

// Pictures of the chart for files and the clipboard, each from a fresh drawing pass (no
// crosshair, no marker lines): the raster image the BMP holds, as BMP or PNG, or the same pass
// drawn as vectors into SVG or PDF.
enum class PictureFormat { Bmp, Png, Svg, Pdf };

struct PictureOptions {
    // The picture's size in pixels; an empty size means the chart's size.
    QSize Size;
    // The resolution a PNG file records; 0 records none of its own (Qt's default).
    int Dpi = 0;
};

// The format a file name's extension asks for: ".png", ".svg", ".pdf", else BMP (".bmp", ".wmf").
PictureFormat PictureFormatOfName(const QString &fileName);

// The file's bytes. A pass at another size than the chart's is followed by one at the chart's,
// so that the mouse finds the chart as it is shown.
QByteArray EncodeChartPicture(TChart &chart, PictureFormat format, const PictureOptions &options);

// Writes the picture whole or not at all; a file that cannot be written raises EFCreateError,
// as SaveChartBitmap does.
void SaveChartPicture(
    TChart &chart, const QString &fileName, PictureFormat format, const PictureOptions &options);
