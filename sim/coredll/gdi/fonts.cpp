// SPDX-License-Identifier: MIT
// Font files found with fontconfig (Tahoma first, DejaVu Sans after) and rendered with FreeType.
#include "sim/coredll/gdi/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <memory>
#include <strings.h>
#include <sys/stat.h>
#include <tuple>

#include "sim/coredll/SimGdi.h"
#include "sim/coredll/gdi/gdi_internal.h"

namespace sim::gdi {

// One FreeType face opened at one size; glyphs rendered from it are kept.
struct FaceEntry {
    FT_Face face = nullptr;
    std::map<std::pair<uint32_t, bool>, Glyph> glyphs;
};

namespace {

// Debian's fonts-wine ships Tahoma outside fontconfig's folders.
const char* const kWineFonts[] = {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"};
const char* const kFallbackFamilies[] = {"Tahoma", "DejaVu Sans"};

// Stems of bold outlines are wider than this share of the em; regular ones are narrower.
constexpr double kBoldStem = 0.13;
// Synthetic bold widens stems to about this share of the em.
constexpr double kSyntheticStem = 0.17;

struct FileChoice {
    std::string path;
    bool bold = false;  // fontconfig calls the file bold (it may still have regular outlines)
    double stem = 0;    // width of the stem of 'l', in ems
};

class FontLibrary {
public:
    FontLibrary()
    {
        if (FT_Init_FreeType(&library_) != 0)
            library_ = nullptr;
        // A private configuration, so the process's own fontconfig setup is left alone and
        // everything added here is freed again at exit.
        config_ = FcInitLoadConfigAndFonts();
        if (config_) {
            struct stat st;
            for (const char* file : kWineFonts)
                if (::stat(file, &st) == 0)
                    FcConfigAppFontAddFile(config_, reinterpret_cast<const FcChar8*>(file));
        }
    }
    ~FontLibrary()
    {
        for (auto& entry : faces_)
            FT_Done_Face(entry.second->face);
        if (library_)
            FT_Done_FreeType(library_);
        if (config_)
            FcConfigDestroy(config_);
    }

    const FileChoice* choose(const std::string& family, bool bold)
    {
        auto key = std::make_pair(family, bold);
        auto it = choices_.find(key);
        if (it != choices_.end())
            return it->second.path.empty() ? nullptr : &it->second;
        FileChoice choice;
        if (!family.empty())
            choice = match(family, bold);
        for (const char* fallback : kFallbackFamilies)
            if (choice.path.empty())
                choice = match(fallback, bold);
        if (!choice.path.empty())
            choice.stem = stem_width(choice.path);
        FileChoice& stored = choices_[key] = choice;
        return stored.path.empty() ? nullptr : &stored;
    }

    // Faces are cached per file and size in 26.6 pixels.
    FaceEntry* open(const std::string& path, long size26)
    {
        auto key = std::make_pair(path, size26);
        auto it = faces_.find(key);
        if (it != faces_.end())
            return it->second.get();
        if (!library_)
            return nullptr;
        FT_Face face = nullptr;
        if (FT_New_Face(library_, path.c_str(), 0, &face) != 0)
            return nullptr;
        if (size26 > 0 && FT_Set_Char_Size(face, 0, size26, 72, 72) != 0) {
            FT_Done_Face(face);
            return nullptr;
        }
        auto entry = std::make_unique<FaceEntry>();
        entry->face = face;
        FaceEntry* raw = entry.get();
        faces_[key] = std::move(entry);
        return raw;
    }

private:
    // Wine's Tahoma Bold shares the regular outlines and only widens the advances, so the
    // outlines themselves tell whether emboldening is still needed.
    double stem_width(const std::string& path)
    {
        FT_Face face = nullptr;
        double stem = 0;
        if (!library_ || FT_New_Face(library_, path.c_str(), 0, &face) != 0)
            return stem;
        if (face->units_per_EM && FT_Load_Char(face, 'l', FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0 &&
            face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_BBox box;
            FT_Outline_Get_CBox(&face->glyph->outline, &box);
            stem = static_cast<double>(box.xMax - box.xMin) / face->units_per_EM;
        }
        FT_Done_Face(face);
        return stem;
    }

    // Accepts fontconfig's answer only when it is the family asked for, not a substitute.
    FileChoice match(const std::string& family, bool bold)
    {
        FileChoice choice;
        FcPattern* pattern = config_ ? FcPatternCreate() : nullptr;
        if (!pattern)
            return choice;
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* found = FcFontMatch(config_, pattern, &result);
        FcPatternDestroy(pattern);
        if (!found)
            return choice;
        FcChar8* got_family = nullptr;
        FcChar8* file = nullptr;
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
        if (FcPatternGetString(found, FC_FAMILY, 0, &got_family) == FcResultMatch &&
            FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch &&
            strcasecmp(reinterpret_cast<const char*>(got_family), family.c_str()) == 0) {
            choice.path = reinterpret_cast<const char*>(file);
            choice.bold = weight >= FC_WEIGHT_DEMIBOLD;
        }
        FcPatternDestroy(found);
        return choice;
    }

    FT_Library library_ = nullptr;
    FcConfig* config_ = nullptr;
    std::map<std::pair<std::string, bool>, FileChoice> choices_;
    std::map<std::pair<std::string, long>, std::unique_ptr<FaceEntry>> faces_;
};

FontLibrary& fonts()
{
    static FontLibrary library;
    return library;
}

std::string face_name(const LOGFONTW& lf)
{
    std::string out;
    for (int i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) {
        char16_t c = lf.lfFaceName[i];
        if (c < 0x80)
            out += static_cast<char>(c);
        else
            return std::string();  // no such family here; use the device's own fonts
    }
    return out;
}

bool wants_bold(const LOGFONTW& lf) { return lf.lfWeight >= 600; }

const FileChoice* choose_file(const LOGFONTW& lf)
{
    return fonts().choose(face_name(lf), wants_bold(lf));
}

// The cell metrics the way Windows scales them: from the OS/2 Windows ascent and descent.
void design_metrics(FT_Face face, long& win_ascent, long& win_descent)
{
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        win_ascent = os2->usWinAscent;
        win_descent = os2->usWinDescent;
    } else {
        win_ascent = face->ascender;
        win_descent = -face->descender;
    }
    if (win_ascent + win_descent <= 0) {
        win_ascent = face->units_per_EM;
        win_descent = 0;
    }
}

}  // namespace

std::string font_file(const LOGFONTW& lf, bool& synthetic_bold)
{
    std::lock_guard<std::recursive_mutex> guard(gdi_lock());
    const FileChoice* choice = choose_file(lf);
    synthetic_bold = choice && wants_bold(lf) && choice->stem < kBoldStem;
    return choice ? choice->path : std::string();
}

std::string font_file_for(const LOGFONTW& font, bool* synthetic_bold)
{
    bool synthetic = false;
    std::string path = font_file(font, synthetic);
    if (synthetic_bold)
        *synthetic_bold = synthetic;
    return path;
}

bool resolve_font(const LOGFONTW& lf, ResolvedFont& out)
{
    const FileChoice* choice = choose_file(lf);
    if (!choice)
        return false;
    // Design metrics come from an unsized face; the sized face is opened below.
    FaceEntry* design = fonts().open(choice->path, 0);
    if (!design)
        return false;
    long win_ascent = 0, win_descent = 0;
    design_metrics(design->face, win_ascent, win_descent);
    double upem = design->face->units_per_EM ? design->face->units_per_EM : 2048;
    double em = 12.0;  // height 0 asks for the default size
    if (lf.lfHeight < 0)
        em = -static_cast<double>(lf.lfHeight);
    else if (lf.lfHeight > 0)
        em = lf.lfHeight * upem / static_cast<double>(win_ascent + win_descent);
    long size26 = std::lround(em * 64.0);
    if (size26 < 64)
        size26 = 64;
    FaceEntry* sized = fonts().open(choice->path, size26);
    if (!sized)
        return false;
    double px = size26 / 64.0;
    out.face = sized;
    out.synthetic_bold = wants_bold(lf) && choice->stem < kBoldStem;
    if (out.synthetic_bold) {
        out.embolden = std::lround((kSyntheticStem - choice->stem) * size26);
        if (out.embolden < 16)
            out.embolden = 16;
        // A bold file keeps its own (already wider) advances.
        out.widen_advance = !choice->bold;
    }
    out.ascent = static_cast<int>(std::lround(win_ascent * px / upem));
    out.height = lf.lfHeight > 0 ? static_cast<int>(lf.lfHeight)
                                 : static_cast<int>(std::lround((win_ascent + win_descent) * px / upem));
    if (out.height < out.ascent)
        out.height = out.ascent;
    out.underline_offset = 1 + static_cast<int>(std::lround(px / 24.0));
    out.underline_thickness = 1 + static_cast<int>(px / 24.0);
    return true;
}

bool has_glyph(const ResolvedFont& font, uint32_t code_point)
{
    return FT_Get_Char_Index(font.face->face, code_point) != 0;
}

const Glyph& glyph_for(const ResolvedFont& font, uint32_t code_point)
{
    FaceEntry& entry = *font.face;
    auto key = std::make_pair(code_point, font.synthetic_bold);
    auto it = entry.glyphs.find(key);
    if (it != entry.glyphs.end())
        return it->second;
    Glyph& glyph = entry.glyphs[key];
    FT_Face face = entry.face;
    FT_UInt index = FT_Get_Char_Index(face, code_point);
    // Embedded bitmap strikes in Wine's Tahoma render as hatched boxes: outlines only.
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        return glyph;
    long advance = face->glyph->advance.x;
    if (font.synthetic_bold && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline_EmboldenXY(&face->glyph->outline, font.embolden, font.embolden / 2);
        if (font.widen_advance)
            advance += font.embolden;
    }
    glyph.advance = static_cast<int>((advance + 32) >> 6);
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return glyph;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    glyph.left = face->glyph->bitmap_left;
    glyph.top = face->glyph->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
    for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char* row = bitmap.pitch >= 0 ? bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch
                                                     : bitmap.buffer + static_cast<ptrdiff_t>(glyph.rows - 1 - y) * -bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x)
            glyph.coverage[static_cast<size_t>(y) * glyph.width + x] = row[x];
    }
    return glyph;
}

}  // namespace sim::gdi
