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
    // The resolution a PNG file records; 0 records none of its own (Qt's default). SVG and PDF
    // pages with a resolution measure the picture's size at it (1800 x 1200 pixels at 300 dpi
    // are 152.4 x 101.6 mm).
    int Dpi = 0;
    // The size in points of the chart's text (its axis numbers) at the resolution, 96 dpi when
    // none is given; the other texts and the lines keep their proportion to it. 0 draws the
    // chart's own sizes in pixels, exactly as the window shows them.
    int TextSize = 0;
    // A picture for print: a compact legend inside the plot area, and a stack's y axis, which
    // shows no numbers, captioned "Intensität (versetzt)".
    bool ForPrint = false;
};

// The device pixels per point a picture is drawn with.
double PicturePixelsPerPoint(const PictureOptions &options);

// The format a file name's extension asks for: ".png", ".svg", ".pdf", else BMP (".bmp", ".wmf").
PictureFormat PictureFormatOfName(const QString &fileName);

// The file's bytes. A pass at another size than the chart's is followed by one at the chart's,
// so that the mouse finds the chart as it is shown.
QByteArray EncodeChartPicture(TChart &chart, PictureFormat format, const PictureOptions &options);

// Writes the picture whole or not at all; a file that cannot be written raises EFCreateError,
// as SaveChartBitmap does.
void SaveChartPicture(
    TChart &chart, const QString &fileName, PictureFormat format, const PictureOptions &options);
