// SPDX-License-Identifier: MIT
// Scenario settings into the stand-in DLLs or checked against the system; pictures out.
#include "tools/todaysim-win32/HostDevice.h"

#include <cstdio>

#include "sim/aygshell/SimAygshell.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim {

void configure_device(const Device& device, bool language_asked)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        throw run_error("todaysim: no screen device context (is there a display?)");
    const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX), dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    char text[256];
    // The plug-in measures the screen itself; a density the system does not have cannot be faked.
    if (dpi_x != device.dpi_x || dpi_y != device.dpi_y) {
        std::snprintf(text, sizeof text,
                      "todaysim: this display has %d x %d dpi, the device %d x %d; pass --dpi %dx%d or change "
                      "the display's density (under Wine: LogPixels in the prefix)",
                      dpi_x, dpi_y, device.dpi_x, device.dpi_y, dpi_x, dpi_y);
        throw run_error(text);
    }
    const LANGID language = GetUserDefaultUILanguage();
    if (language_asked && language != device.language) {
        std::snprintf(text, sizeof text,
                      "todaysim: the user's language here is 0x%04X, the device's 0x%04X; under Wine, start it "
                      "with LC_ALL set to that language (de_DE.UTF-8 for 0x0407)",
                      language, device.language);
        throw run_error(text);
    }
    sim::aygshell::set_dpi(device.dpi_y);
    sim::aygshell::set_writes_nothing(!device.font_size.has_value());
    if (device.font_size)
        sim::aygshell::set_font_size_pixels(*device.font_size);
}

Picture window_picture(HWND hwnd)
{
    RECT client = {};
    if (!GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0)
        throw run_error("todaysim: the Today window has no area to picture");
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC window = GetDC(hwnd);
    HDC memory = window ? CreateCompatibleDC(window) : nullptr;
    void* bits = nullptr;
    HBITMAP dib = memory ? CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool copied = false;
    if (dib) {
        HGDIOBJ previous = SelectObject(memory, dib);
        copied = BitBlt(memory, 0, 0, picture.width, picture.height, window, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    if (copied) {
        const auto* pixels = static_cast<const uint32_t*>(bits);
        const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
        picture.rgb.resize(count * 3);
        for (size_t i = 0; i < count; ++i) {
            picture.rgb[3 * i] = static_cast<uint8_t>(pixels[i] >> 16);
            picture.rgb[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
            picture.rgb[3 * i + 2] = static_cast<uint8_t>(pixels[i]);
        }
    }
    if (dib)
        DeleteObject(dib);
    if (memory)
        DeleteDC(memory);
    if (window)
        ReleaseDC(hwnd, window);
    if (!copied)
        throw run_error("todaysim: the Today window's pixels could not be read back");
    return picture;
}

// A callback of its own: a lambda converts only to a pointer of the default convention,
// and 32-bit Win32 calls it as __stdcall.
namespace {
BOOL CALLBACK count_child(HWND, LPARAM counter)
{
    ++*reinterpret_cast<long*>(counter);
    return TRUE;
}
}  // namespace

long child_windows(HWND parent)
{
    long count = 0;
    EnumChildWindows(parent, count_child, reinterpret_cast<LPARAM>(&count));
    return count;
}

std::wstring wide_path(const std::string& path)
{
    const std::u16string wide = utf16_from_utf8(path);
    return std::wstring(wide.begin(), wide.end());
}

std::string narrow_path(const std::wstring& path)
{
    const std::u16string wide(path.begin(), path.end());
    return utf8_from_utf16(wide.data(), wide.size());
}

}  // namespace todaysim
