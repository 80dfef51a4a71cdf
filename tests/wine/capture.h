// Pixels of windows and of the screen, and a PNG writer for keeping them.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels; // top row first; each as RGB()
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The client area of a window of this process, as its window DC reads it.
Image CaptureClient(HWND window);
// A rectangle of the screen (covers any process's windows).
Image CaptureScreen(const RECT &rect);
// Writes the image as an 8-bit RGB PNG (stored, uncompressed deflate). FALSE on error.
bool WritePng(const std::string &path, const Image &image);
// TRUE when every channel of a and b differs by at most tolerance.
bool CloseColours(COLORREF a, COLORREF b, int tolerance);
