#include "wine/capture.h"

#include <stdio.h>
#include <stdlib.h>

// Copies a rectangle of a window's client area (of the screen when window is NULL) into a
// top-down 32-bit DIB section, and reads it out.
static Image Capture(HWND window, const RECT &rect)
{
    Image image;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = NULL;
    HDC dc = GetDC(window), memory = CreateCompatibleDC(dc);
    HBITMAP section = width > 0 && height > 0 ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0) : NULL;
    if (section) {
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        image.width = width;
        image.height = height;
        for (const DWORD *p = static_cast<const DWORD *>(bits); p < static_cast<const DWORD *>(bits) + width * height; p++)
            image.pixels.push_back(RGB((*p >> 16) & 0xFF, (*p >> 8) & 0xFF, *p & 0xFF));
        SelectObject(memory, old);
        DeleteObject(section);
    }
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return image;
}

Image CaptureClient(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return Capture(window, client);
}

Image CaptureScreen(const RECT &rect) { return Capture(NULL, rect); }

bool CloseColours(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

static void PutBig(std::string &out, DWORD v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

static void PutChunk(std::string &png, const char *type, const std::string &data)
{
    std::string body = type + data;
    DWORD crc = 0xFFFFFFFFu;
    for (unsigned char ch : body) {
        crc ^= ch;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    PutBig(png, static_cast<DWORD>(data.size()));
    png += body;
    PutBig(png, ~crc);
}

bool WritePng(const std::string &path, const Image &image)
{
    std::string raw, header, z = "\x78\x01", png = "\x89PNG\r\n\x1a\n";
    for (int y = 0; y < image.height; y++) {
        raw += '\0'; // no filter
        for (int x = 0; x < image.width; x++)
            for (BYTE channel : {GetRValue(image.At(x, y)), GetGValue(image.At(x, y)), GetBValue(image.At(x, y))})
                raw += static_cast<char>(channel);
    }
    // One zlib stream of stored deflate blocks, with its Adler-32 sum.
    DWORD a = 1, b = 0;
    for (unsigned char ch : raw)
        a = (a + ch) % 65521, b = (b + a) % 65521;
    for (size_t pos = 0; pos < raw.size(); pos += 65535) {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        for (size_t v : {static_cast<size_t>(pos + n == raw.size()), n, n >> 8, ~n, ~n >> 8})
            z += static_cast<char>(v & 0xFF);
        z.append(raw, pos, n);
    }
    PutBig(z, (b << 16) | a);
    PutBig(header, static_cast<DWORD>(image.width));
    PutBig(header, static_cast<DWORD>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", "");
    FILE *f = raw.empty() ? NULL : fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}
