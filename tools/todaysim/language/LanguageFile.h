// SPDX-License-Identifier: MIT
// The check's own reading of a language file: what the plug-in's loader makes of it, line
// by line, with the reason for every line it drops and the lookups that follow from it.
#ifndef LINKORY_TOOLS_TODAYSIM_LANGUAGEFILE_H
#define LINKORY_TOOLS_TODAYSIM_LANGUAGEFILE_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace todaysim {

// What the first bytes say the file is.
enum class Encoding { Utf16Le, Utf16LeNoMark, Utf16Be, Utf16BeNoMark, Utf8Mark, Utf8, TooShort, Unknown };

// Why the loader skips a line.
enum class Dropped {
    BeforeSection,   // no header yet
    NoEquals,        // no '='
    NoNumber,        // nothing before the '='
    BadNumber,       // not digits only
    HeaderWithText,  // '[' ... ']' followed by more text, or a '[' without its ']'
    Empty,           // nothing before a NUL character
};

struct Entry {
    int line = 0;
    int number = 0;                 // as the loader reads it: wrapped modulo 2^32
    std::u16string digits;          // as written
    std::u16string text;            // trimmed, up to a NUL character
    bool cut_at_nul = false;        // more than blanks followed a NUL character
};

struct Section {
    int line = 0;
    std::u16string name;            // between the brackets, exactly
    std::vector<Entry> entries;     // in file order
    std::u16string lookup_name() const { return name.substr(0, name.find(u'\0')); }
};

struct DroppedLine {
    int line = 0;
    Dropped why = Dropped::NoEquals;
    std::u16string text;            // trimmed
};

struct LanguageFile {
    Encoding encoding = Encoding::Unknown;
    size_t bytes = 0;
    bool accepted = false;          // the loader keeps the file's texts
    std::string refused;            // why a file with the mark is refused; empty if not
    int refused_line = 0;
    bool lone_byte = false;         // an odd byte after the last unit, ignored
    bool utf32_mark = false;        // FF FE 00 00: accepted, but every other unit is NUL
    int last_line = 0;
    std::vector<Section> sections;  // in file order, also when refused
    std::vector<DroppedLine> dropped;

    // The section the plug-in finds by this name (the first, letter case aside), or null.
    const Section* find(const std::u16string& name) const;
    // The entry the plug-in finds, or null; never anything in a refused file.
    const Entry* find(const std::u16string& section, int number) const;
};

// Reads the file's bytes as the plug-in's loader does.
LanguageFile read_language_file(const std::string& bytes);

// What a file without the byte-order mark is, as the check names it ("UTF-8 (it begins
// with ...)"); null for UTF-16LE with its mark and for a file too short to tell.
const char* encoding_name(Encoding encoding);

// Why the plug-in takes none of the file's texts, in the check's words; empty when it takes them.
std::string refusal(const LanguageFile& file);

// The language a file's name stands for ("Linkory.0407.intl": 0x0407); false if none.
bool language_of_name(const std::string& path, uint16_t& language);

// The loader's limits: longer lines, or more units of lines, refuse the file.
constexpr size_t kMaxLineUnits = 4096;
constexpr size_t kMaxFileUnits = 65536;

}  // namespace todaysim

#endif
