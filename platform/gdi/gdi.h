#pragma once
// The drawing layer: GDI-shaped calls over cairo and FreeType, for the
// skinned controls and the window system.
//
// Handles index one thread-safe process-wide table with a generation per
// slot. Misuse that GDI leaves undefined is refused and counted (see
// GdiGetStatistics): a stale, deleted or wrong-type handle, deleting an object
// that a device context holds, touching a region that a window owns, short
// pixel data, malformed region data and sizes beyond the limits. A null
// handle simply fails. A device context is used by one thread at a time.
//
// Every bitmap is 32 bits per pixel (B, G, R, unused), 1 to 16384 pixels a
// side and at most 256 MB. Drawing is aliased; lines leave out their end
// point; Rectangle and RoundRect draw their outline inside (left .. right-1,
// top .. bottom-1).

#include "platform/gdi/gdi_types.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Objects.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirect(const LOGFONT* font);
BOOL DeleteObject(HGDIOBJ object);
// BITMAP for a bitmap, LOGFONT for a font; null buffer gives the size needed.
int GetObject(HGDIOBJ object, int size, void* buffer);
HGDIOBJ GetStockObject(int index);
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Device contexts. A new one holds BLACK_PEN, WHITE_BRUSH, SYSTEM_FONT, black
// text on a white OPAQUE background and the position (0, 0).
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Copies the region (device units) and intersects it with the system clip;
// null restores the system clip.
int SelectClipRgn(HDC dc, HRGN region);
int GetClipBox(HDC dc, RECT* box);

// Device contexts of the window system: drawing goes to the target bitmap,
// offset by origin and clipped to the system clip (target coordinates; null
// means the whole target). The target stays undeletable while the DC lives.
HDC GdiCreateWindowDC(HBITMAP target, POINT origin, HRGN system_clip);
// The screen DC draws to the screen bitmap when one is set, else nowhere.
void GdiSetScreenBitmap(HBITMAP screen);
HDC GdiCreateScreenDC();

// Drawing.
BOOL LineTo(HDC dc, int x, int y);
// Counter-clockwise only.
BOOL ArcTo(HDC dc, int left, int top, int right, int bottom, int x_start, int y_start,
           int x_end, int y_end);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
// brush may also be a system colour index plus 1.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
// SRCCOPY only.
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int x_source, int y_source,
            DWORD rop);
// AC_SRC_OVER with a constant alpha; both sizes equal.
BOOL AlphaBlend(HDC dc, int x, int y, int width, int height, HDC source, int x_source,
                int y_source, int width_source, int height_source, BLENDFUNCTION blend);
COLORREF GetPixel(HDC dc, int x, int y);

// Bitmaps.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// 32 bits per pixel, top-down (negative biHeight) only; bits receives the
// pixels, rows of width * 4 bytes.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                         HANDLE section, DWORD offset);
// BI_RGB rows of 16 (5-5-5), 24 or 32 bits, bottom-up or top-down (negative
// height), padded to 4 bytes. bits_size is the length of the pixel data:
// nothing is copied when the rows need more. Returns the lines copied.
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              std::size_t bits_size, const BITMAPINFO* info, UINT usage);
// Rows top-down, each pixel 0x00RRGGBB; returns the bytes copied.
LONG GetBitmapBits(HBITMAP bitmap, LONG size, void* bits);

// Regions.
HRGN CreateRectRgn(int left, int top, int right, int bottom);
// Leaves out the right and bottom edge: its box is [left, right-1) x [top, bottom-1).
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
int OffsetRgn(HRGN region, int x, int y);
BOOL PtInRegion(HRGN region, int x, int y);
// RDH_RECTANGLES data, a scale-only transform or null.
HRGN ExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data);
int GetRgnBox(HRGN region, RECT* box);
BOOL EqualRgn(HRGN region1, HRGN region2);
// Null data gives the size needed; too small a buffer gives 0.
DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data);

// A window takes a region over (SetWindowRgn): only the owner may then
// delete it, and nobody may select, change or delete it otherwise.
BOOL GdiAdoptRegion(HRGN region, const void* owner);
BOOL GdiDeleteAdoptedRegion(HRGN region, const void* owner);

// Text.
BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size);
// One pass over the text: fit (when asked for) receives how many characters
// from the start fit in max_extent, extents (when asked for, one per
// character) the width of the text up to and including each character, size
// (when asked for) the extent of the whole text.
BOOL GetTextExtentExPoint(HDC dc, const char* text, int length, int max_extent, int* fit, int* extents,
                          SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics);
BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
// length -1 means up to the terminating zero. Returns the text's height, 0
// on failure.
int DrawText(HDC dc, const char* text, int length, RECT* rect, UINT format);

// PNG files of bitmaps.
BOOL GdiWritePng(HBITMAP bitmap, const std::string& path);
HBITMAP GdiReadPng(const std::string& path);

// Live objects (stock objects excluded), live device contexts and refused
// calls, for tests.
struct GdiStatistics {
    std::uint64_t live_objects = 0;
    std::uint64_t live_dcs = 0;
    std::uint64_t refused_calls = 0;
};
GdiStatistics GdiGetStatistics();
