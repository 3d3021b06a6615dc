#pragma once

#include "mapindex.h"

#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

// The hit map of a map file: one cell per spectrum at its stage position, in true aspect ratio,
// coloured by the search (selected or not; shaded by the match score with a colour bar when the
// judgement was scored), with axes in the file's units and a title. Drawn through a QPainter on
// any paint device: an image for PNG, an SVG or a PDF page.

struct HitMapLook {
    QString Title; // the file's name
    QString Unit = QStringLiteral("µm"); // of the stage positions
    bool Scored = false; // shade by score 0..100 and draw the colour bar
};

// The cell colours: selected, not selected, and the score ramp from 0 to 100.
QRgb HitMapSelectedColour();
QRgb HitMapPassedColour();
QRgb HitMapScoreColour(double score);

// Draws the map into area of the painter.
void PaintHitMap(QPainter &painter, const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look);

// The map as an image of the given size (white background).
QImage HitMapImage(
    const MapIndex &map, const MapLayout &layout, const HitMapLook &look, QSize size);

// The plot rectangle PaintHitMap gives the cells inside area, and the cell under a point of it
// (an index into the map, or -1).
QRectF HitMapPlot(const QRect &area, const MapLayout &layout, const HitMapLook &look);
QRectF HitMapCellRect(const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look, long cell);
long HitMapCellAt(const QRect &area, const MapIndex &map, const MapLayout &layout,
    const HitMapLook &look, QPointF point);
