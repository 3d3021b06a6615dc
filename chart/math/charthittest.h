#pragma once

#include "axismath.h"

// Hit testing of a line series in pixels, free of Qt so tests drive it without a pointer.

// Whether pixel (x, y) lies on the segment from (px, py) to (qx, qy): less than one pixel off the
// line through both ends, measured with the longer of the two extents in place of the true length
// (so a segment of a single pixel never matches), and not past either end by more than tolerance
// along x or along y.
bool PointNearSegment(int x, int y, int px, int py, int qx, int qy, int tolerance);

// The points of a line series as the hit test sees them: values with their multipliers and the
// mappings of the series' two axes from the last drawing pass.
struct LineHitData {
    const double *X = nullptr;
    const double *Y = nullptr;
    double XMultiplier = 1.0;
    double YMultiplier = 1.0;
    // True when the X values ascend, so the pixel columns of the points are monotone.
    bool XAscending = false;
    AxisMapping Horizontal;
    AxisMapping Vertical;
};

// The index of the point at (x, y), or of the first point of the segment under it, scanning the
// points first..last in order; -1 for none. A point hit exactly counts before the segment that
// ends at it; the first index that matches wins. For ascending X values only the few points whose
// pixel columns reach x are tested, with the same result as testing every point.
int ClickedLineIndex(const LineHitData &line, int first, int last, int x, int y);

// The same for a stairs line, whose every step from point i - 1 to point i is drawn as a
// horizontal leg at i - 1's height to i's column and a vertical leg up or down to i: the index of
// the point hit exactly, or of the step's first point when a leg is hit, in point order.
int ClickedStairsIndex(const LineHitData &line, int first, int last, int x, int y);
