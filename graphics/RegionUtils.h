#pragma once

#include "Bitmap.h"

#include <QByteArray>
#include <QRegion>

#include <stdexcept>

class QIODevice;

class ERgnError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How Add, AddEllipse and AddRect combine the current region C with a shape S.
enum TRegionCombine {
    rcAnd,  // C and S
    rcCopy, // S alone
    rcDiff, // C without S
    rcOr,   // C or S
    rcXor,  // C xor S
};

// One window or button region. Every operation builds its result aside and
// swaps it in, so a failure (ERgnError) leaves Handle as it was.
//
// Region data, as read by LoadFromStream and built by makeRgnFromBitmap, are
// 32-bit little-endian signed integers: header size (32), type (1), rectangle
// count n, rectangle data size (ignored), bounding rectangle, then n
// rectangles left, top, right, bottom with right and bottom exclusive.
class TRegion {
public:
    // The data go to the toolkit in pieces of at most this many rectangles.
    static constexpr int kRectsPerPiece = 4000;
    static constexpr int kHeaderSize = 32;
    // Coordinates beyond +-2^27 are refused, as the original region engine does.
    static constexpr int kCoordinateLimit = 1 << 27;

    TRegion() = default;

    const QRegion& Handle() const { return handle_; }

    void Add(const QRegion& region, TRegionCombine op);
    // The ellipse inscribed in the box (x1, y1)-(x2, y2).
    void AddEllipse(int x1, int y1, int x2, int y2, TRegionCombine op);
    void AddRect(int x1, int y1, int x2, int y2, TRegionCombine op);
    void AddRect(const TRect& r, TRegionCombine op) { AddRect(r.Left, r.Top, r.Right, r.Bottom, op); }
    // Reads region data from the stream's position. A stream that ends early
    // raises "Stream read error"; rectangles out of range raise
    // "TRegion.LoadFromStream: Cannot Create Region".
    void LoadFromStream(QIODevice& stream);
    // Handle := the pixels of a 32-bit picture whose alpha is at least threshold.
    void makeRgnFromBitmap(const TBitmap& picture, int threshold);
    void Move(int dx, int dy);

    // The region data makeRgnFromBitmap reads: one rectangle per run of
    // pixels with alpha >= threshold, one pixel high, in row order and left to
    // right; runs in different rows are not merged. Throws for a picture that
    // is not 32-bit.
    static QByteArray RegionData(const TBitmap& picture, int threshold);

private:
    QRegion handle_;
};
