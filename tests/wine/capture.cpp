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

static DWORD Crc(const std::string &data, size_t from)
{
    static DWORD table[256];
    if (table[1] == 0) {
        for (DWORD n = 0; n < 256; n++) {
            DWORD c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    DWORD c = 0xFFFFFFFFu;
    for (size_t i = from; i < data.size(); i++)
        c = table[(c ^ static_cast<BYTE>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static void PutBig(std::string &out, DWORD v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

static void PutChunk(std::string &out, const char *type, const std::string &data)
{
    PutBig(out, static_cast<DWORD>(data.size()));
    size_t start = out.size();
    out += type;
    out += data;
    PutBig(out, Crc(out, start));
}

bool WritePng(const std::string &path, const Image &image)
{
    std::string raw;
    for (int y = 0; y < image.height; y++) {
        raw += '\0'; // no filter
        for (int x = 0; x < image.width; x++) {
            COLORREF c = image.At(x, y);
            raw += static_cast<char>(GetRValue(c));
            raw += static_cast<char>(GetGValue(c));
            raw += static_cast<char>(GetBValue(c));
        }
    }
    std::string z = "\x78\x01";
    DWORD a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos == 0 || pos < raw.size(); pos += 65535) {
        size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z += static_cast<char>(pos + n >= raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
    }
    PutBig(z, (b << 16) | a);
    std::string header;
    PutBig(header, static_cast<DWORD>(image.width));
    PutBig(header, static_cast<DWORD>(image.height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", "");
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}
