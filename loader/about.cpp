// The About box: the version string over the product logo, which is drawn scaled over the whole
// dialog on every paint. Nothing is kept between paints.
#include "loader/loader.h"

#include "common/common.h"
#include "common/globals.h"
#include "resource.h"

#include <stdlib.h>
#include <string.h>

static const char AboutVersion[] = "3.1.0c4";

// The description the first GetDIBits call fills in: a header and its colour entry. The query
// is documented to fill the header only, but some GDIs also store the three bit-field masks of a
// 16- or 32-bit bitmap after it, so the entry is followed by room for them.
struct LogoDescription {
    BITMAPINFOHEADER header;
    RGBQUAD colours[1];
    DWORD maskRoom[2];
};

static void ReportDrawFailure(const char *text)
{
    MessageBoxA(NULL, text, NULL, MB_OK);
}

// The frame control's rectangle in the dialog's client coordinates; empty when there is none.
static void LogoTarget(HWND dialog, RECT *target)
{
    SetRectEmpty(target);
    GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_FRAME), target);
    ScreenToClient(dialog, reinterpret_cast<POINT *>(&target->left));
    ScreenToClient(dialog, reinterpret_cast<POINT *>(&target->right));
}

// Bytes of the colour table that follows a header of this format: the three masks of a
// bit-field format, nothing for other direct-colour formats, else the palette (at most 2^bits).
static DWORD ColourTableSize(const BITMAPINFOHEADER *header)
{
    if (header->biCompression == BI_BITFIELDS)
        return 3 * sizeof(DWORD);
    if (header->biBitCount > 8)
        return 0;
    DWORD entries = 1u << header->biBitCount;
    if (header->biClrUsed != 0 && header->biClrUsed < entries)
        entries = header->biClrUsed;
    return entries * sizeof(RGBQUAD);
}

// Bytes of all pixel rows (each padded to 32 bits); 0 when they would not fit in a block.
static SIZE_T RowsSize(const BITMAPINFOHEADER *header)
{
    unsigned long long width = static_cast<unsigned long long>(labs(header->biWidth));
    unsigned long long stride = (width * header->biBitCount + 31) / 32 * 4;
    unsigned long long size = stride * static_cast<unsigned long long>(labs(header->biHeight));
    return size > 0x7FFFFFFFull ? 0 : static_cast<SIZE_T>(size);
}

static void DrawRows(HDC dc, HBITMAP logo, BITMAPINFO *block, UINT lines, const RECT *target)
{
    BYTE *rows = reinterpret_cast<BYTE *>(block) + sizeof(BITMAPINFOHEADER) + ColourTableSize(&block->bmiHeader);
    if (GetDIBits(dc, logo, 0, lines, rows, block, DIB_RGB_COLORS) == 0) {
        ReportDrawFailure("GetDIBits (2) failed");
        return;
    }
    const BITMAPINFOHEADER *header = &block->bmiHeader;
    if (StretchDIBits(dc, target->left, target->top, target->right - target->left, target->bottom - target->top, 0,
                      0, header->biWidth, labs(header->biHeight), rows, block, DIB_RGB_COLORS,
                      SRCCOPY) == static_cast<int>(GDI_ERROR))
        MessageBoxA(NULL, "StretchDIBits failed", "Error", MB_OK | MB_ICONERROR);
}

static void DrawThroughBlock(HDC dc, HBITMAP logo, const LogoDescription *description, UINT lines,
                             const RECT *target)
{
    SIZE_T rowsSize = RowsSize(&description->header);
    SIZE_T size = sizeof(BITMAPINFOHEADER) + ColourTableSize(&description->header) + rowsSize;
    // Zero-filled, so that rows the copy does not reach are drawn black rather than from
    // whatever the block held before.
    HGLOBAL memory = rowsSize != 0 ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size) : NULL;
    if (!memory) {
        ReportDrawFailure("GlobalAlloc failed");
        return;
    }
    BITMAPINFO *block = static_cast<BITMAPINFO *>(GlobalLock(memory));
    if (!block) {
        ReportDrawFailure("GlobalLock failed");
    } else {
        memcpy(&block->bmiHeader, &description->header, sizeof description->header);
        DrawRows(dc, logo, block, lines, target);
        GlobalUnlock(memory);
    }
    GlobalFree(memory);
}

static void DrawLogo(HWND dialog)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    RECT target;
    LogoTarget(dialog, &target);
    HBITMAP logo = LoadBitmapA(AppInstance, "qtxlogo");
    if (!logo) {
        ReportDrawFailure("LoadBitmap failed");
    } else {
        LogoDescription description;
        memset(&description, 0, sizeof description);
        description.header.biSize = sizeof description.header;
        int lines = GetDIBits(dc, logo, 0, 0, NULL, reinterpret_cast<BITMAPINFO *>(&description), DIB_RGB_COLORS);
        if (lines == 0) {
            ReportDrawFailure("GetDIBits (1) failed");
        } else {
            // The query's count, but never more rows than the block holds.
            UINT height = static_cast<UINT>(labs(description.header.biHeight));
            UINT count = static_cast<UINT>(lines);
            DrawThroughBlock(dc, logo, &description, count < height ? count : height, &target);
        }
        DeleteObject(logo);
    }
    EndPaint(dialog, &paint);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterDialog(dialog);
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, AboutVersion);
        return FALSE;
    case WM_PAINT:
        DrawLogo(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, 1);
            break;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        return DialogCloseRule(dialog, wParam);
    }
    return FALSE;
}
