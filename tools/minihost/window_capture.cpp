#include "window_capture.h"

#include <cstdio>
#include <cstring>

namespace minihost {

// Copies what a device context shows into a 32-bit picture.
Image CaptureDc(HDC from, int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(from);
    HGDIOBJ previous = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, from, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(image.pixels.data(), bits, image.pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(dib);
    return image;
}

Image CaptureWindow(HWND window, int width, int height) {
    HDC dc = GetDC(window);
    Image image = CaptureDc(dc, width, height);
    ReleaseDC(window, dc);
    return image;
}

void PasteWindow(Image& picture, HWND window, HWND other) {
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT r;
    GetWindowRect(other, &r);
    const Image shown = CaptureWindow(other, r.right - r.left, r.bottom - r.top);
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            const int px = r.left - origin.x + x, py = r.top - origin.y + y;
            if (px >= 0 && py >= 0 && px < picture.width && py < picture.height) {
                picture.pixels[py * picture.width + px] = shown.pixels[y * shown.width + x];
            }
        }
    }
}

bool WriteBmp(const Image& image, const std::string& path) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const int row = (image.width * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(row * image.height);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + dataSize;
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;   // bottom-up
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = dataSize;
    fwrite(&file, sizeof file, 1, f);
    fwrite(&header, sizeof header, 1, f);
    std::vector<uint8_t> line(row, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.At(x, y);
            line[x * 3] = p & 0xFF;
            line[x * 3 + 1] = (p >> 8) & 0xFF;
            line[x * 3 + 2] = (p >> 16) & 0xFF;
        }
        fwrite(line.data(), 1, row, f);
    }
    return fclose(f) == 0;
}

}  // namespace minihost
