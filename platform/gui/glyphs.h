#pragma once

#include <QImage>
#include <QSize>

// The glyphs of the bitmap buttons, drawn by the program: black shapes on a transparent
// background (the layouts' white glyph background shows the button face through).

enum class GlyphDirection { Up, Down };

// An arrow with a triangular head and a shaft, filling the glyph's height (25 x 29 on the
// main window's copy-up button).
QImage ArrowGlyph(GlyphDirection direction, QSize size);

// One triangle, or two stacked one above the other (count 2), centred in the glyph (20 x 24 on
// the ordering buttons of the visible-data editor).
QImage TriangleGlyph(GlyphDirection direction, int count, QSize size);
