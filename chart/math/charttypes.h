#pragma once

#include <cstdint>

// Small value types shared by the chart engine, free of Qt so the value lists and the axis maths
// can be used and tested without a display.

// Colours are 32-bit values with red in the low byte: 0x0000FF is red, 0x00FFFF yellow.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGray = 0x808080;

// For a point: use the series colour. For a series colour: none chosen yet.
constexpr TColor DefaultColorMark = 0x80000000;
// Marks a null point: no segment starts or ends at it.
constexpr TColor NullColorMark = 0x1FFFFFFF;

// Entry index mod 16 of the palette that series without a colour of their own and points of a
// series with ColorEachPoint receive.
TColor DefaultPaletteColor(int index);

// An integer rectangle in device pixels; Right and Bottom lie just outside it.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Left and top edges inside, right and bottom edges outside.
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect &o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect &o) const { return !(*this == o); }
};

// The smallest and largest value of a series along one axis.
struct TValueRange {
    double Minimum = 0.0;
    double Maximum = 0.0;
};

// The pixels a series needs at the two ends of an axis: First at the start of a horizontal axis
// (left) and the top of a vertical one, Second at the other end.
struct TAxisMargins {
    int First = 0;
    int Second = 0;
};

enum TChartListOrder { loNone, loAscending, loDescending };
enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };
enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum TPenMode { pmCopy, pmXor, pmNotXor, pmNot, pmMerge, pmMask };
enum TBrushStyle { bsSolid, bsClear };
enum TTitleAlignment { taLeftJustify, taRightJustify, taCenter };

// a * b / c rounded to the nearest integer, halves away from zero, as the system's MulDiv does;
// -1 when c is 0.
int MulDiv(int a, int b, int c);

// The mouse: buttons, the keys and buttons held (a set of flags), the cursors a chart or series
// shows, and which directions a right-button drag scrolls.
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned int;
constexpr TShiftState ssShift = 1u << 0;
constexpr TShiftState ssAlt = 1u << 1;
constexpr TShiftState ssCtrl = 1u << 2;
constexpr TShiftState ssLeft = 1u << 3;
constexpr TShiftState ssRight = 1u << 4;
constexpr TShiftState ssMiddle = 1u << 5;
constexpr TShiftState ssDouble = 1u << 6;
enum TCursor { crDefault, crArrow, crCross };
enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
