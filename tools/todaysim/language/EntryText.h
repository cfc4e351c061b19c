// SPDX-License-Identifier: MIT
// The texts of a language file as the check quotes and weighs them: quoting, names, the
// numbers of entries, format conversions and the characters a translator gets wrong.
#ifndef LINKORY_TOOLS_TODAYSIM_LANGUAGE_ENTRYTEXT_H
#define LINKORY_TOOLS_TODAYSIM_LANGUAGE_ENTRYTEXT_H

#include <string>
#include <vector>

namespace todaysim {

// NUL characters show as the symbol for NUL, so the report stays one line of text each.
std::string utf8(std::u16string text);

// A text quoted for the report, shortened when it is very long.
std::string quoted(const std::string& text);
std::string quoted(const std::u16string& text);

// "[Main]"
std::string section_name(const std::u16string& name);

// Letters to change, add or drop between two names, case aside.
int edit_distance(const std::u16string& a, const std::u16string& b);

// A name that differs from a known one by blanks, or by at most two letters.
bool misspelt(std::u16string name, const std::u16string& known);

// The part of a numbered line before its '=', without the blanks around it.
std::u16string trim_number(const std::u16string& line);

// "12=...": a line that is an entry wherever it stands.
bool looks_like_entry(const std::u16string& line);

// The conversions of a format, as written ("%s", "%n", "%100000u").
std::vector<std::u16string> conversions(const std::u16string& format);

// A single '&', which a menu or label would take for a mnemonic ("&&" is a literal one).
bool has_prefix_ampersand(const std::u16string& text);

// A text as DrawText shows it without DT_NOPREFIX: "&&" one ampersand, a single '&' not
// drawn but underlining the character after it, whose index in the result goes into
// `underlined` (npos when none).
std::u16string drawn_text(const std::u16string& text, size_t& underlined);

// The first control character (U+0001 to U+001F, U+007F to U+009F), or 0; the device's font
// draws each as a box.
char16_t control_character(const std::u16string& text);

// A UTF-16 surrogate without its other half.
bool has_unpaired_surrogate(const std::u16string& text);

}  // namespace todaysim

#endif
