// SPDX-License-Identifier: MIT
// todaysim --check: a translator's check of a language file. The real plug-in draws the
// item with the file at three screen densities; the check reads the file itself to say why
// each drawn line is what it is, and measures every line in the font it is drawn in.
#ifndef LINKORY_TOOLS_TODAYSIM_CHECK_H
#define LINKORY_TOOLS_TODAYSIM_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/todaysim/cli/Options.h"
#include "tools/todaysim/language/LanguageFile.h"
#include "tools/todaysim/show/PngWriter.h"
#include "tools/todaysim/show/TraceWriter.h"
#include "tools/todaysim/translate/CheckExpect.h"

namespace todaysim::check {

// One line as the plug-in drew it, with its width in its font and the room it had.
struct Drawn {
    std::string text;  // UTF-8
    long font_height = 0;
    long font_weight = 0;
    int width = 0;
    int room = 0;
    std::vector<uint32_t> missing;  // characters its face has no glyph for: drawn as a box
    std::string face;               // the font file of that face
    long left = 0, top = 0, right = 0, bottom = 0;  // its rectangle in the item
};

// The densities measured, each with the UI font size a device gives it (9 points).
struct Density {
    int dpi;
    int font_size;
};
inline const std::vector<Density>& densities()
{
    static const std::vector<Density> kDensities = {{96, 12}, {131, 16}, {192, 24}};
    return kDensities;
}

// What one density showed: the three paints of expected_paints, and the three pictures.
struct DensityRun {
    Density density{96, 12};
    std::vector<std::vector<Drawn>> paints;
    Picture idle, collapsed, expanded;
};

enum class Severity { Error, Warning, Note };

struct Diagnostic {
    int line = 1;
    Severity severity = Severity::Note;
    std::string message;
};

// Every problem of the file, in line order; `runs` supply what the plug-in shows.
std::vector<Diagnostic> diagnose(const LanguageFile& file, const std::vector<Paint>& expected,
                                 const std::vector<DensityRun>& runs, const std::string& file_name,
                                 uint16_t language);
// An error for each character of a text that the face its line is drawn in cannot draw.
std::vector<Diagnostic> missing_glyphs(const LanguageFile& file, const std::vector<Paint>& expected,
                                       const std::vector<DensityRun>& runs);
// "6 of 7 texts of [Main], 12 of 38 connection types translated".
std::string statistics(const LanguageFile& file);
// "FILE:LINE: error: message"
std::string format_diagnostic(const std::string& path, const Diagnostic& diagnostic);


// The whole check: prints the report and returns the exit status (0 clean, 1 an error or
// warning). Throws a usage Failure for a file that cannot be read.
int run_check(const Options& options);

// The device part: the item drawn with the file beside the plug-in, at each density.
std::vector<DensityRun> draw_with(const std::string& dll, const std::string& file, uint16_t language,
                                  TraceWriter* trace, size_t& misuses);

// How each drawn line fares in the report, per paint and line: the worst severity among
// the diagnostics of the texts it is made of; Severity::Note for none.
using LineMarks = std::vector<std::vector<Severity>>;
LineMarks line_marks(const LanguageFile& file, const std::vector<Paint>& expected,
                     const std::vector<Diagnostic>& diagnostics);

// One picture of the item: under a title, each density's views without connections,
// collapsed and expanded side by side, each line with an error or warning outlined.
Picture contact_sheet(const std::vector<DensityRun>& runs, const std::string& title, const LineMarks& marks);

}  // namespace todaysim::check

#endif
