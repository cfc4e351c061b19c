// SPDX-License-Identifier: MIT
// The texts of a language file as the check quotes and weighs them.
#include "tools/todaysim/language/EntryText.h"

#include <algorithm>

#include "tools/todaysim/language/Vocabulary.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim {

// NUL characters show as the symbol for NUL, so the report stays one line of text each.
std::string utf8(std::u16string text)
{
    std::replace(text.begin(), text.end(), u'\0', u'\u2400');
    return utf8_from_utf16(text.c_str(), text.size());
}

// A text quoted for the report, shortened when it is very long.
std::string quoted(const std::string& text)
{
    std::u16string units = utf16_from_utf8(text);
    if (units.size() > 80)
        return "'" + utf8(units.substr(0, 77)) + "...'";
    return "'" + text + "'";
}
std::string quoted(const std::u16string& text)
{
    return quoted(utf8(text));
}

std::string section_name(const std::u16string& name)
{
    return "[" + utf8(name) + "]";
}

int edit_distance(const std::u16string& a, const std::u16string& b)
{
    auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    std::vector<int> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = static_cast<int>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (fold(a[i - 1]) != fold(b[j - 1]))});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A name that differs from a known one by blanks, or by at most two letters.
bool misspelt(std::u16string name, const std::u16string& known)
{
    if (edit_distance(name, known) <= 2)
        return true;
    name.erase(std::remove_if(name.begin(), name.end(), [](char16_t c) { return c == u' ' || c == u'\t'; }), name.end());
    return vocabulary::same_name(name, known);
}

// The part of a numbered line before its '=', without the blanks around it.
std::u16string trim_number(const std::u16string& line)
{
    std::u16string number = line.substr(0, line.find(u'='));
    size_t first = number.find_first_not_of(u" \t");
    size_t last = number.find_last_not_of(u" \t");
    return first == std::u16string::npos ? std::u16string() : number.substr(first, last - first + 1);
}

bool looks_like_entry(const std::u16string& line)
{
    size_t equals = line.find(u'=');
    return equals != std::u16string::npos && equals > 0 && line[0] >= u'0' && line[0] <= u'9';
}

// The conversions of a format, as written ("%s", "%n", "%100000u").
std::vector<std::u16string> conversions(const std::u16string& format)
{
    std::vector<std::u16string> found;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%')
            continue;
        size_t start = i++;
        if (i < format.size() && format[i] == u'%')
            continue;
        while (i < format.size() && std::u16string(u"-+ #0123456789.lhIL*").find(format[i]) != std::u16string::npos)
            ++i;
        found.push_back(format.substr(start, i < format.size() ? i - start + 1 : i - start));
    }
    return found;
}

bool has_prefix_ampersand(const std::u16string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'&')
            ++i;
        else
            return true;
    }
    return false;
}

std::u16string drawn_text(const std::u16string& text, size_t& underlined)
{
    std::u16string out;
    underlined = std::u16string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && ++i < text.size() && text[i] != u'&' && underlined == std::u16string::npos)
            underlined = out.size();
        if (i < text.size())
            out += text[i];
    }
    return out;
}

char16_t control_character(const std::u16string& text)
{
    for (char16_t c : text)
        if ((c >= 0x01 && c < 0x20) || (c >= 0x7F && c <= 0x9F))
            return c;
    return 0;
}

bool has_unpaired_surrogate(const std::u16string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            ++i;
        else if (text[i] >= 0xD800 && text[i] < 0xE000)
            return true;
    }
    return false;
}

}  // namespace todaysim
