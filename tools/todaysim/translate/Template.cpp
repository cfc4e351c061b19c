// SPDX-License-Identifier: MIT
// The template language file, made from the plug-in's vocabulary.
#include "tools/todaysim/translate/Template.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/todaysim/language/Vocabulary.h"
#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

// The loader ignores every line before the first section header, so these notes can say
// anything that does not begin with '[' or look like a numbered text.
const char16_t* const kNotes[] = {
    u"Linkory language file: every text of the Today item, as built in (English).",
    u"To translate it, save a copy named Linkory.XXXX.intl beside Linkory.dll, XXXX being the",
    u"language identifier in four hexadecimal digits: Linkory.0407.intl for German,",
    u"Linkory.040C.intl for French. Keep it UTF-16LE with its byte-order mark.",
    u"Replace the text after each equals sign; a number left out keeps its English text.",
    u"Main: 1 header without connections; 2 header with their number, which must keep",
    u"exactly one %u; 3 address label; 4 no address; 5 type label; 6 destination label;",
    u"7 unknown destination. ConnType: connection types (100, 200 ... 700), their subtypes",
    u"after them, and 800 for a type the device does not name.",
    u"These notes end at the first section header: after it there are no comment lines.",
    u"Check a translation with: todaysim --check Linkory.0407.intl --png sheet.png",
};

void put(std::string& out, const std::u16string& line)
{
    for (char16_t unit : line + u"\r\n") {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
}

std::u16string number(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::string language_template()
{
    std::string out = "\xFF\xFE";
    for (const char16_t* note : kNotes)
        put(out, note);
    const char16_t* section = nullptr;
    for (const vocabulary::Text& text : vocabulary::texts()) {
        if (!section || std::u16string(section) != text.section) {
            section = text.section;
            put(out, u"");
            put(out, u"[" + std::u16string(section) + u"]");
        }
        put(out, number(text.number) + u"=" + text.english);
    }
    return out;
}

void write_template(const std::string& path)
{
    const std::string bytes = language_template();
    const bool to_stdout = path == "-";
    std::FILE* file = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
    if (!file)
        throw run_error("todaysim: --template " + path + ": " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = to_stdout ? std::fflush(file) == 0 : std::fclose(file) == 0;
    if (!written || !closed) {
        if (!to_stdout)
            std::remove(path.c_str());
        throw run_error("todaysim: --template " + path + ": could not be written");
    }
}

}  // namespace todaysim
