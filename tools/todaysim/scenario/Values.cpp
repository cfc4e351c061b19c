// SPDX-License-Identifier: MIT
// The values a scenario file and the command line both write: densities, languages, sizes.
#include "tools/todaysim/scenario/Values.h"

#include <cstdio>

#include <cstdlib>

namespace todaysim {
namespace {

// Screens from 24 to 960 dots per inch keep the simulated framebuffer within sane sizes
// while covering every real device.
constexpr int kMinDpi = 24, kMaxDpi = 960;

}  // namespace

bool parse_int(const std::string& text, long min, long max, int& out)
{
    if (text.empty() || text.size() > 12)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < min || value > max)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool parse_dpi(const std::string& text, Dpi& dpi)
{
    size_t split = text.find_first_of("x,");
    if (split == std::string::npos)
        return parse_int(text, kMinDpi, kMaxDpi, dpi.x) && parse_int(text, kMinDpi, kMaxDpi, dpi.y);
    return parse_int(text.substr(0, split), kMinDpi, kMaxDpi, dpi.x) &&
           parse_int(text.substr(split + 1), kMinDpi, kMaxDpi, dpi.y);
}

bool parse_screen(const std::string& text, int& width, int& height)
{
    const size_t split = text.find('x');
    return split != std::string::npos && parse_int(text.substr(0, split), 16, 4096, width) &&
           parse_int(text.substr(split + 1), 16, 4096, height);
}

namespace {

const ScreenClass kScreenClasses[] = {
    {"qvga-portrait", 240, 320, 96, "QVGA Pocket PC, the common case"},
    {"qvga-landscape", 320, 240, 96, "QVGA turned, or a landscape device"},
    {"qvga-square", 240, 240, 96, "square QVGA"},
    {"vga-portrait", 480, 640, 192, "VGA Pocket PC"},
    {"vga-landscape", 640, 480, 192, "VGA turned, or a landscape device"},
    {"vga-square", 480, 480, 192, "square VGA"},
};

}  // namespace

const ScreenClass* find_screen_class(const std::string& name)
{
    for (const ScreenClass& screen : kScreenClasses)
        if (name == screen.name)
            return &screen;
    return nullptr;
}

std::string screen_class_list()
{
    std::string list;
    for (const ScreenClass& screen : kScreenClasses) {
        char line[128];
        std::snprintf(line, sizeof line, "%-15s %4d x %-4d %3d dpi, UI font %d px  %s\n", screen.name, screen.width,
                      screen.height, screen.dpi, default_font_size(screen.dpi), screen.what);
        list += line;
    }
    return list;
}

std::string screen_class_names()
{
    std::string names;
    for (const ScreenClass& screen : kScreenClasses)
        names += (names.empty() ? "" : ", ") + std::string(screen.name);
    return names;
}

bool parse_interval(const std::string& text, double& seconds)
{
    // Plain decimals only: strtod would also take "1e-3", "inf" and hexadecimal.
    size_t digits = 0, points = 0;
    for (char c : text) {
        if (c == '.')
            ++points;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return false;
    }
    if (digits == 0 || points > 1 || text.size() > 16)
        return false;
    double value = std::strtod(text.c_str(), nullptr);
    if (!(value >= 0.05 && value <= 86400.0))
        return false;
    seconds = value;
    return true;
}

bool parse_language(const std::string& text, uint16_t& language)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4)
        return false;
    unsigned value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    language = static_cast<uint16_t>(value);
    return true;
}

int default_font_size(int dpi_y)
{
    // The system font is 9 points; a point is 1/72 inch, rounded to whole pixels.
    return (9 * dpi_y + 36) / 72;
}

}  // namespace todaysim
