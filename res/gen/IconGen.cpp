// SPDX-License-Identifier: MIT
// Draws Linkory's four icon groups and writes them as classic 256-colour .ico files.
//
// Usage: icongen <output folder>. Each picture is described as a scene in unit
// coordinates, sampled 8x8 times per pixel, and reduced to an 8-bit palette chosen from
// the colours the image really uses, so anti-aliased edges keep their in-between tones.
// Run it by hand after changing a picture; the .ico files are committed.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;  // premultiplied
};

Rgba solid(float r, float g, float b, float a = 1.0f)
{
    return {r / 255 * a, g / 255 * a, b / 255 * a, a};
}

// Porter-Duff "over" of premultiplied colours.
Rgba over(Rgba top, Rgba below)
{
    float k = 1.0f - top.a;
    return {top.r + below.r * k, top.g + below.g * k, top.b + below.b * k, top.a + below.a * k};
}

Rgba mix(Rgba a, Rgba b, float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Rgba scaled(Rgba c, float k)
{
    return {c.r * k, c.g * k, c.b * k, c.a * k};
}

// A scene answers the colour at a point (x, y in pixels of an n x n image).
using Scene = Rgba (*)(float x, float y, int n);

constexpr float kPi = 3.14159265358979f;

// ---- Globe ---------------------------------------------------------------------------

struct GlobeFrame {
    float cx, cy, r;
};

GlobeFrame globe_frame(int n)
{
    // Leaves a pixel of room at the right and bottom for the bolt's outline to overlap.
    float r = n * 0.44f;
    return {n * 0.47f, n * 0.47f, r};
}

// Latitude and longitude (radians) of the sphere point seen at (x, y), tilted towards the
// viewer so the parallels curve; false outside the disc.
bool globe_point(float x, float y, const GlobeFrame& f, float& lat, float& lon, float& nz)
{
    float dx = (x - f.cx) / f.r, dy = (y - f.cy) / f.r;
    float d2 = dx * dx + dy * dy;
    if (d2 >= 1.0f)
        return false;
    float z = std::sqrt(1.0f - d2);
    const float tilt = 0.38f;
    float gy = -dy * std::cos(tilt) + z * std::sin(tilt);
    float gz = dy * std::sin(tilt) + z * std::cos(tilt);
    lat = std::asin(std::clamp(gy, -1.0f, 1.0f));
    lon = std::atan2(dx, gz) + 0.25f;
    nz = z;
    return true;
}

// Distance in pixels from (x, y) to the nearest grid line of a field, estimated from the
// field's screen gradient so lines keep one width across the sphere.
template <class Field>
float grid_distance(float x, float y, float spacing, Field field)
{
    const float h = 0.05f;
    float v = field(x, y);
    float gx = (field(x + h, y) - v) / h, gy = (field(x, y + h) - v) / h;
    float grad = std::sqrt(gx * gx + gy * gy);
    float k = v / spacing;
    float off = std::fabs(k - std::round(k)) * spacing;
    return grad > 1e-4f ? off / grad : 1e9f;
}

Rgba globe(float x, float y, int n)
{
    GlobeFrame f = globe_frame(n);
    float lat, lon, nz;
    float rim = std::sqrt((x - f.cx) * (x - f.cx) + (y - f.cy) * (y - f.cy)) - f.r;
    Rgba out;
    if (globe_point(x, y, f, lat, lon, nz)) {
        // Blue-green sea lit from the upper left, darker towards the far limb.
        float dx = (x - f.cx) / f.r, dy = (y - f.cy) / f.r;
        float light = std::max(0.0f, -0.48f * dx - 0.55f * dy + 0.68f * nz);
        out = mix(solid(6, 58, 92), solid(58, 176, 196), light);
        float glint = std::pow(std::max(0.0f, -0.42f * dx - 0.50f * dy + 0.76f * nz), 24.0f);
        out = mix(out, solid(235, 252, 255), glint * 0.8f);
        // Meridians and parallels, fewer and bolder on the small image.
        float step = n >= 24 ? kPi / 6 : kPi / 4;
        float width = n >= 24 ? 0.55f : 0.5f;
        auto lon_at = [&](float px, float py) {
            float a, o, z;
            return globe_point(px, py, f, a, o, z) ? o : lon;
        };
        auto lat_at = [&](float px, float py) {
            float a, o, z;
            return globe_point(px, py, f, a, o, z) ? a : lat;
        };
        float dm = std::fabs(lat) < 1.35f ? grid_distance(x, y, step, lon_at) : 1e9f;
        float dp = grid_distance(x, y, step, lat_at);
        float line = std::min(dm, dp);
        if (line < width) {
            Rgba ink = mix(solid(120, 210, 220), solid(220, 250, 250), light);
            out = over(scaled(ink, 0.75f), out);
        }
    }
    // A dark rim gives the disc a crisp edge on a light Today background.
    float rim_width = n >= 24 ? 1.0f : 0.8f;
    if (rim > -rim_width && rim < 0.25f)
        out = over(solid(8, 36, 62), out);
    return out;
}

// ---- Lightning bolt ------------------------------------------------------------------

struct Pt {
    float x, y;
};

// Signed distance (negative inside) from p to a closed polygon.
float polygon_distance(const std::vector<Pt>& poly, Pt p)
{
    float best = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        Pt a = poly[j], b = poly[i];
        float ex = b.x - a.x, ey = b.y - a.y;
        float t = std::clamp(((p.x - a.x) * ex + (p.y - a.y) * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        float qx = a.x + ex * t - p.x, qy = a.y + ey * t - p.y;
        best = std::min(best, qx * qx + qy * qy);
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * ex / ey)
            inside = !inside;
    }
    return inside ? -std::sqrt(best) : std::sqrt(best);
}

Rgba bolt(float x, float y, int n)
{
    // A zig-zag from the upper right of the globe down to the lower right corner.
    static const std::vector<Pt> unit = {
        {0.60f, 0.36f}, {0.90f, 0.36f}, {0.77f, 0.58f}, {0.93f, 0.58f},
        {0.60f, 0.985f}, {0.68f, 0.70f}, {0.52f, 0.70f},
    };
    std::vector<Pt> poly;
    for (Pt p : unit)
        poly.push_back({p.x * n, p.y * n});
    float d = polygon_distance(poly, {x, y});
    float outline = n >= 24 ? 1.1f : 0.75f;
    if (d < 0.0f && -d > outline * 0.55f) {
        float t = (y / n - 0.36f) / 0.62f;
        return mix(solid(255, 240, 110), solid(246, 164, 12), t);
    }
    if (d < outline * 0.55f)
        return solid(70, 42, 0);
    return {};
}

Rgba globe_plain(float x, float y, int n)
{
    return globe(x, y, n);
}

Rgba globe_connected(float x, float y, int n)
{
    return over(bolt(x, y, n), globe(x, y, n));
}

// ---- Plus and minus with a shadow ----------------------------------------------------

struct SignGeometry {
    float lo, hi, thick, shadow;  // sign box [lo, hi), bar thickness, shadow offset (pixels)
};

SignGeometry sign_geometry(int n)
{
    // Pixel-aligned bars keep the small glyphs crisp; only the corners are rounded.
    return n >= 16 ? SignGeometry{1, 17, 4, 2} : SignGeometry{1, 9, 2, 1};
}

float box_distance(float x, float y, float x0, float y0, float x1, float y1, float round)
{
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float hx = (x1 - x0) / 2 - round, hy = (y1 - y0) / 2 - round;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float outside = std::sqrt(std::max(qx, 0.0f) * std::max(qx, 0.0f) + std::max(qy, 0.0f) * std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - round;
}

float sign_distance(float x, float y, int n, bool vertical_bar)
{
    SignGeometry g = sign_geometry(n);
    float mid = (g.lo + g.hi) / 2, half = g.thick / 2, round = n >= 16 ? 1.0f : 0.5f;
    float d = box_distance(x, y, g.lo, mid - half, g.hi, mid + half, round);
    if (vertical_bar)
        d = std::min(d, box_distance(x, y, mid - half, g.lo, mid + half, g.hi, round));
    return d;
}

Rgba sign(float x, float y, int n, bool plus)
{
    SignGeometry g = sign_geometry(n);
    Rgba out;
    if (sign_distance(x - g.shadow, y - g.shadow, n, plus) < 0.0f)
        out = solid(112, 112, 112);
    if (sign_distance(x, y, n, plus) < 0.0f) {
        float t = (y - g.lo) / (g.hi - g.lo);
        out = mix(solid(44, 96, 178), solid(10, 38, 96), t);
    }
    return out;
}

Rgba plus_sign(float x, float y, int n)
{
    return sign(x, y, n, true);
}

Rgba minus_sign(float x, float y, int n)
{
    return sign(x, y, n, false);
}

// ---- Raster, palette and file ----------------------------------------------------------

struct Image {
    int n = 0;
    std::vector<Rgba> px;
};

Image render(Scene scene, int n)
{
    const int s = 8;
    Image img{n, std::vector<Rgba>(size_t(n) * n)};
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            Rgba sum;
            for (int j = 0; j < s; ++j)
                for (int i = 0; i < s; ++i) {
                    Rgba c = scene(x + (i + 0.5f) / s, y + (j + 0.5f) / s, n);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
                }
            img.px[size_t(y) * n + x] = scaled(sum, 1.0f / (s * s));
        }
    return img;
}

using Rgb = std::array<uint8_t, 3>;

// The icon's mask is one bit deep: a pixel mostly covered becomes opaque, its missing
// coverage filled with the colour the icon usually stands on, so edges still look smooth.
void flatten(const Image& img, Rgba matte, std::vector<Rgb>& colour, std::vector<bool>& opaque)
{
    for (const Rgba& p : img.px) {
        bool on = p.a >= 0.42f;
        Rgba c = on ? over(p, matte) : Rgba{};
        opaque.push_back(on);
        colour.push_back({uint8_t(std::lround(std::clamp(c.r, 0.0f, 1.0f) * 255)),
                          uint8_t(std::lround(std::clamp(c.g, 0.0f, 1.0f) * 255)),
                          uint8_t(std::lround(std::clamp(c.b, 0.0f, 1.0f) * 255))});
    }
}

// Median cut: splits the colour set along its widest channel until `count` boxes remain.
std::vector<Rgb> choose_palette(std::vector<Rgb> colours, size_t count)
{
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    if (colours.size() <= count)
        return colours;
    std::vector<std::vector<Rgb>> boxes{colours};
    auto spread = [](const std::vector<Rgb>& box, int& channel) {
        int best = -1;
        for (int c = 0; c < 3; ++c) {
            auto [lo, hi] = std::minmax_element(box.begin(), box.end(),
                                                [c](const Rgb& a, const Rgb& b) { return a[c] < b[c]; });
            if ((*hi)[c] - (*lo)[c] > best) {
                best = (*hi)[c] - (*lo)[c];
                channel = c;
            }
        }
        return best;
    };
    while (boxes.size() < count) {
        size_t widest = 0;
        int channel = 0, width = -1;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int c = 0, w = boxes[i].size() > 1 ? spread(boxes[i], c) : -1;
            if (w > width) {
                width = w;
                widest = i;
                channel = c;
            }
        }
        if (width <= 0)
            break;
        std::vector<Rgb>& box = boxes[widest];
        std::sort(box.begin(), box.end(), [channel](const Rgb& a, const Rgb& b) { return a[channel] < b[channel]; });
        std::vector<Rgb> upper(box.begin() + box.size() / 2, box.end());
        box.resize(box.size() / 2);
        boxes.push_back(std::move(upper));
    }
    std::vector<Rgb> palette;
    for (const auto& box : boxes) {
        unsigned sum[3] = {0, 0, 0};
        for (const Rgb& c : box)
            for (int k = 0; k < 3; ++k)
                sum[k] += c[k];
        palette.push_back({uint8_t(sum[0] / box.size()), uint8_t(sum[1] / box.size()), uint8_t(sum[2] / box.size())});
    }
    return palette;
}

uint8_t nearest(const std::vector<Rgb>& palette, const Rgb& c)
{
    size_t best = 1;
    int best_d = 1 << 30;
    for (size_t i = 1; i < palette.size(); ++i) {
        int d = 0;
        for (int k = 0; k < 3; ++k)
            d += (palette[i][k] - c[k]) * (palette[i][k] - c[k]);
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return uint8_t(best);
}

void put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t>& out, unsigned v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), 256 palette entries,
// the 8-bit colour rows and the 1-bit AND rows, both bottom-up and padded to 4 bytes.
std::vector<uint8_t> encode_image(const Image& img, Rgba matte)
{
    std::vector<Rgb> colour;
    std::vector<bool> opaque;
    flatten(img, matte, colour, opaque);
    std::vector<Rgb> used;
    for (size_t i = 0; i < colour.size(); ++i)
        if (opaque[i])
            used.push_back(colour[i]);
    // Entry 0 stays black: transparent pixels must add nothing when XORed onto the screen.
    std::vector<Rgb> palette{{0, 0, 0}};
    for (const Rgb& c : choose_palette(used, 255))
        palette.push_back(c);

    const int n = img.n;
    const unsigned xor_stride = (unsigned(n) + 3) & ~3u, and_stride = ((unsigned(n) + 31) / 32) * 4;
    std::vector<uint8_t> out;
    put32(out, 40);
    put32(out, unsigned(n));
    put32(out, unsigned(2 * n));
    put16(out, 1);
    put16(out, 8);
    put32(out, 0);
    put32(out, (xor_stride + and_stride) * unsigned(n));
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (size_t i = 0; i < 256; ++i) {
        Rgb c = i < palette.size() ? palette[i] : Rgb{0, 0, 0};
        out.insert(out.end(), {c[2], c[1], c[0], 0});
    }
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            size_t i = size_t(y) * n + x;
            out.push_back(opaque[i] ? nearest(palette, colour[i]) : 0);
        }
        out.resize(out.size() + (xor_stride - unsigned(n)), 0);
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<uint8_t> row(and_stride, 0);
        for (int x = 0; x < n; ++x)
            if (!opaque[size_t(y) * n + x])
                row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool write_icon(const std::string& path, Scene scene, const std::vector<int>& sizes, Rgba matte)
{
    std::vector<std::vector<uint8_t>> images;
    for (int n : sizes)
        images.push_back(encode_image(render(scene, n), matte));
    std::vector<uint8_t> file;
    put16(file, 0);
    put16(file, 1);
    put16(file, unsigned(images.size()));
    unsigned offset = 6 + 16 * unsigned(images.size());
    size_t k = 0;
    for (int n : sizes) {
        file.insert(file.end(), {uint8_t(n), uint8_t(n), 0, 0});
        put16(file, 1);
        put16(file, 8);
        put32(file, unsigned(images[k].size()));
        put32(file, offset);
        offset += unsigned(images[k].size());
        ++k;
    }
    for (const auto& img : images)
        file.insert(file.end(), img.begin(), img.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <output folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    // Header icons stand on the light Today watermark, toggle glyphs on a button face.
    const Rgba today = solid(226, 236, 246), button = solid(192, 192, 192);
    struct Job {
        const char* file;
        Scene scene;
        std::vector<int> sizes;
        Rgba matte;
    } jobs[] = {
        {"globe.ico", globe_plain, {32, 16}, today},
        {"globe_bolt.ico", globe_connected, {32, 16}, today},
        {"expand.ico", plus_sign, {20, 10}, button},
        {"collapse.ico", minus_sign, {20, 10}, button},
    };
    for (const Job& job : jobs)
        if (!write_icon(dir + job.file, job.scene, job.sizes, job.matte)) {
            std::fprintf(stderr, "icongen: cannot write %s%s\n", dir.c_str(), job.file);
            return 1;
        }
    return 0;
}
