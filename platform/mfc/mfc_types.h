#pragma once
// Point, size and rectangle classes over the Win32 records. Their sums and
// differences saturate at the 32-bit limits, as coordinates from a
// description may stand anywhere.

#include "platform/geometry.h"
#include "platform/types.h"

#include <algorithm>

class CSize : public SIZE {
public:
    CSize() { cx = 0; cy = 0; }
    CSize(int x, int y) { cx = x; cy = y; }
    CSize(SIZE size) : SIZE(size) {}
    bool operator==(const SIZE& other) const { return cx == other.cx && cy == other.cy; }
};

class CPoint : public POINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int px, int py) { x = px; y = py; }
    CPoint(POINT point) : POINT(point) {}
    void Offset(int dx, int dy) { x = KvSatAdd(x, dx); y = KvSatAdd(y, dy); }
    CPoint operator+(SIZE size) const { return CPoint(KvSatAdd(x, size.cx), KvSatAdd(y, size.cy)); }
    CPoint operator-(SIZE size) const { return CPoint(KvSatSub(x, size.cx), KvSatSub(y, size.cy)); }
    CSize operator-(POINT other) const { return CSize(KvSatSub(x, other.x), KvSatSub(y, other.y)); }
    bool operator==(const POINT& other) const { return x == other.x && y == other.y; }
};

class CRect : public RECT {
public:
    CRect() { SetRectEmpty(); }
    CRect(int l, int t, int r, int b) { SetRect(l, t, r, b); }
    CRect(const RECT& rect) : RECT(rect) {}
    CRect(POINT origin, SIZE size) {
        SetRect(origin.x, origin.y, KvSatAdd(origin.x, size.cx), KvSatAdd(origin.y, size.cy));
    }

    int Width() const { return KvSatSub(right, left); }
    int Height() const { return KvSatSub(bottom, top); }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const {
        return CPoint(static_cast<int>((std::int64_t{left} + right) / 2), static_cast<int>((std::int64_t{top} + bottom) / 2));
    }
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT point) const {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) {
        SetRect(KvSatAdd(left, dx), KvSatAdd(top, dy), KvSatAdd(right, dx), KvSatAdd(bottom, dy));
    }
    void OffsetRect(POINT point) { OffsetRect(point.x, point.y); }
    void InflateRect(int dx, int dy) {
        SetRect(KvSatSub(left, dx), KvSatSub(top, dy), KvSatAdd(right, dx), KvSatAdd(bottom, dy));
    }
    void DeflateRect(int dx, int dy) {
        SetRect(KvSatAdd(left, dx), KvSatAdd(top, dy), KvSatSub(right, dx), KvSatSub(bottom, dy));
    }
    void NormalizeRect() {
        if (left > right) std::swap(left, right);
        if (top > bottom) std::swap(top, bottom);
    }
    // False, with an empty result, when the two do not overlap.
    bool IntersectRect(const RECT& a, const RECT& b) {
        SetRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom));
        if (IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        return true;
    }
    bool UnionRect(const RECT& a, const RECT& b) {
        const CRect first(a), second(b);
        if (first.IsRectEmpty())
            *this = second;
        else if (second.IsRectEmpty())
            *this = first;
        else
            SetRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                    std::max(a.bottom, b.bottom));
        return !IsRectEmpty();
    }
    bool operator==(const RECT& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    operator RECT*() { return this; }
    operator const RECT*() const { return this; }
};
