// Window captures for the stand-in host: what a window or device context
// shows, as a top-down 32-bit picture, and a 24-bit BMP writer for it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace minihost {

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

// Copies what a device context shows into a picture.
Image CaptureDc(HDC from, int width, int height);

// The client area of a window, width x height pixels from its top-left.
Image CaptureWindow(HWND window, int width, int height);

// Copies what another window shows (a popup over `window`) into a picture
// of `window`'s client area, where it lies on the screen; what lies outside
// the picture is left out.
void PasteWindow(Image& picture, HWND window, HWND other);

// Writes a bottom-up 24-bit BMP; false when the file cannot be written.
bool WriteBmp(const Image& image, const std::string& path);

}  // namespace minihost
