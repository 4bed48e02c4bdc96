// A polyline thinned to what a raster can show: of the points that fall into one pixel column
// it keeps the first, the lowest, the highest and the last, in their order. Stroked, the thinned
// line looks like the whole one (every column spans the same values and joins its neighbours at
// the same points; only sub-pixel detail inside a column goes), while its cost goes with the
// plot's width instead of the run's length. A column with one or two points keeps them all, so a
// sparse curve is drawn exactly as before.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace loopcraft {

struct CurvePoint {
    float x = 0;
    float y = 0;
    bool operator==(const CurvePoint&) const = default;
};

class ColumnReducer {
public:
    // Points go to `out`. A point's column is floor(x * columnScale + columnOffset): the scale
    // and offset turn the caller's x into device pixels (a print at 1200 dpi has finer columns
    // than its layout units).
    explicit ColumnReducer(std::vector<CurvePoint>& out, double columnScale = 1.0,
                           double columnOffset = 0.0)
        : mOut(out), mScale(columnScale), mOffset(columnOffset) {}

    // The device column of x.
    long long columnOf(float x) const {
        const double v = static_cast<double>(x) * mScale + mOffset;
        // floor without the library call: the conversion truncates towards zero.
        auto column = static_cast<long long>(v);
        return static_cast<double>(column) > v ? column - 1 : column;
    }

    // The next point of the line; x should not decrease (a step back just starts a new column).
    // Coordinates must be finite, and within about 10^15 columns.
    void add(CurvePoint p) { addAt(columnOf(p.x), p); }

    // The same with its column known (two curves over one time axis share it).
    void addAt(long long column, CurvePoint p) {
        if (mCount == 0 || column != mColumn) {
            flush();
            mColumn = column;
            mFirst = mLow = mHigh = mLast = p;
            mLowAt = mHighAt = 0;
            mCount = 1;
            return;
        }
        if (p.y < mLow.y) {
            mLow = p;
            mLowAt = mCount;
        }
        if (p.y > mHigh.y) {
            mHigh = p;
            mHighAt = mCount;
        }
        mLast = p;
        ++mCount;
    }

    // Writes the open column; call once after the last point.
    void finish() {
        flush();
        mCount = 0;
    }

private:
    void flush() {
        if (mCount == 0)
            return;
        mOut.push_back(mFirst);
        const std::size_t lastAt = mCount - 1;
        // The extremes strictly inside the column, in the order the line visits them.
        const bool lowInside = mLowAt != 0 && mLowAt != lastAt;
        const bool highInside = mHighAt != 0 && mHighAt != lastAt;
        if (lowInside && highInside && mHighAt < mLowAt) {
            mOut.push_back(mHigh);
            mOut.push_back(mLow);
        } else {
            if (lowInside)
                mOut.push_back(mLow);
            if (highInside && mHighAt != mLowAt)
                mOut.push_back(mHigh);
        }
        if (lastAt != 0)
            mOut.push_back(mLast);
        mCount = 0;
    }

    std::vector<CurvePoint>& mOut;
    double mScale;
    double mOffset;
    long long mColumn = 0;
    std::size_t mCount = 0; // points in the open column
    CurvePoint mFirst, mLow, mHigh, mLast;
    std::size_t mLowAt = 0, mHighAt = 0; // their places in the column
};

// The whole line at once, columns one x unit wide.
std::vector<CurvePoint> reduceToColumns(const std::vector<CurvePoint>& line);

// The length of `line` on the device: x scaled by `xScale`, y by `yScale`. A stroker's work grows
// with it, and much faster than it where the line doubles back over itself.
double strokeLength(const std::vector<CurvePoint>& line, double xScale, double yScale);

// A thinned line that runs up and down within its columns, split for a cheap stroke: within one
// column and between neighbouring columns the line is a vertical bar from its lowest to its
// highest point there (a pen two pixels wide cannot show more inside a column); only the
// segments that reach over more columns stay segments.
struct ColumnBar {
    double column = 0; // device column, as ColumnReducer counts them
    float low = 0;     // the least and the greatest y the line takes there
    float high = 0;
    bool operator==(const ColumnBar&) const = default;
};
struct LineSegment {
    CurvePoint from, to;
    bool operator==(const LineSegment&) const = default;
};
struct ColumnStroke {
    std::vector<ColumnBar> bars; // in the line's order
    std::vector<LineSegment> segments;
};
ColumnStroke splitIntoColumns(const std::vector<CurvePoint>& line, double columnScale = 1.0,
                              double columnOffset = 0.0);

} // namespace loopcraft
