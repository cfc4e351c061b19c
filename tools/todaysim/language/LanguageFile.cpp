// SPDX-License-Identifier: MIT
// Reads a language file the way the plug-in's loader does, keeping what the loader forgets.
#include "tools/todaysim/language/LanguageFile.h"

#include "tools/todaysim/language/Vocabulary.h"

namespace todaysim {
namespace {

bool blank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string trimmed(const std::u16string& text)
{
    size_t first = 0, end = text.size();
    while (first < end && blank(text[first]))
        ++first;
    while (end > first && blank(text[end - 1]))
        --end;
    return text.substr(first, end - first);
}

bool valid_utf8(const std::string& bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (extra == 9 || i + extra >= bytes.size() + (extra ? 0 : 1))
            return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        i += 1 + extra;
    }
    return true;
}

// A file without a usable mark: text in one byte order shows as a zero byte beside nearly
// every ASCII character.
Encoding guess(const std::string& bytes)
{
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return Encoding::Utf8Mark;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0)
        return Encoding::Utf16Be;
    size_t even_zero = 0, odd_zero = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        (i % 2 ? odd_zero : even_zero) += bytes[i] == 0;
    size_t half = bytes.size() / 2;
    if (odd_zero * 4 > half * 3 && even_zero * 4 < half)
        return Encoding::Utf16LeNoMark;
    if (even_zero * 4 > half * 3 && odd_zero * 4 < half)
        return Encoding::Utf16BeNoMark;
    return valid_utf8(bytes) ? Encoding::Utf8 : Encoding::Unknown;
}

class Reader {
public:
    explicit Reader(LanguageFile& file) : file_(file) {}
    void line(const std::u16string& units, int number);

private:
    void entry(const std::u16string& line, int number);

    LanguageFile& file_;
    bool in_section_ = false;  // the current section is the last one
};

void Reader::line(const std::u16string& units, int number)
{
    const std::u16string line = trimmed(units);
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
        file_.sections.push_back(Section{number, line.substr(1, line.size() - 2), {}});
        in_section_ = true;
        return;
    }
    const bool header_like = !line.empty() && line.front() == u'[';
    if (!in_section_) {
        file_.dropped.push_back({number, header_like ? Dropped::HeaderWithText : Dropped::BeforeSection, line});
        return;
    }
    entry(line, number);
    if (header_like && !file_.dropped.empty() && file_.dropped.back().line == number)
        file_.dropped.back().why = Dropped::HeaderWithText;
}

// The numbered line: counted up to its first NUL unit, split at its first '='.
void Reader::entry(const std::u16string& whole, int number)
{
    const size_t nul = whole.find(u'\0');
    const std::u16string line = whole.substr(0, nul);
    auto drop = [&](Dropped why) { file_.dropped.push_back({number, why, line}); };
    if (line.empty())
        return drop(Dropped::Empty);
    const size_t equals = line.find(u'=');
    if (equals == std::u16string::npos)
        return drop(Dropped::NoEquals);
    const std::u16string digits = trimmed(line.substr(0, equals));
    if (digits.empty())
        return drop(Dropped::NoNumber);
    uint32_t value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return drop(Dropped::BadNumber);
        value = value * 10 + static_cast<uint32_t>(c - u'0');  // wraps, as the loader's does
    }
    Entry entry;
    entry.line = number;
    entry.number = static_cast<int>(value);
    entry.digits = digits;
    entry.text = trimmed(line.substr(equals + 1));
    entry.cut_at_nul = nul != std::u16string::npos && !trimmed(whole.substr(nul + 1)).empty();
    file_.sections.back().entries.push_back(entry);
}

}  // namespace

const Section* LanguageFile::find(const std::u16string& name) const
{
    if (!accepted)
        return nullptr;
    for (const Section& section : sections) {
        const std::u16string lookup = section.lookup_name();
        // A section without a name is never found, not even by an empty name.
        if (!section.name.empty() && vocabulary::same_name(lookup, name))
            return &section;
    }
    return nullptr;
}

const Entry* LanguageFile::find(const std::u16string& name, int number) const
{
    const Section* section = find(name);
    if (!section)
        return nullptr;
    for (const Entry& entry : section->entries)
        if (entry.number == number)
            return &entry;
    return nullptr;
}

LanguageFile read_language_file(const std::string& bytes)
{
    LanguageFile file;
    file.bytes = bytes.size();
    if (bytes.size() < 2) {
        file.encoding = Encoding::TooShort;
        return file;
    }
    if (bytes.compare(0, 2, "\xFF\xFE") != 0) {
        file.encoding = guess(bytes);
        return file;
    }
    file.encoding = Encoding::Utf16Le;
    file.accepted = true;
    file.lone_byte = bytes.size() % 2 != 0;
    file.utf32_mark = bytes.size() >= 4 && bytes[2] == 0 && bytes[3] == 0;

    Reader reader(file);
    std::u16string units;
    size_t total = 0;
    int number = 1, first_line = 1;
    bool after_cr = false;
    auto finish_line = [&]() {
        if (units.empty())
            return true;
        total += units.size() + 1;
        if (total > kMaxFileUnits) {
            file.refused = "its lines hold more than " + std::to_string(kMaxFileUnits) + " characters";
            file.refused_line = first_line;
            return false;
        }
        reader.line(units, first_line);
        units.clear();
        return true;
    };
    for (size_t at = 2; at + 1 < bytes.size(); at += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
        if (unit == u'\r' || unit == u'\n') {
            if (!finish_line())
                break;
            // CR LF is one line break to an editor; the loader merely skips the empty line.
            if (!(unit == u'\n' && after_cr))
                ++number;
            after_cr = unit == u'\r';
            continue;
        }
        after_cr = false;
        if (units.empty())
            first_line = number;
        if (units.size() >= kMaxLineUnits) {
            file.refused = "line " + std::to_string(first_line) + " is longer than " +
                           std::to_string(kMaxLineUnits) + " characters";
            file.refused_line = first_line;
            break;
        }
        units += unit;
    }
    if (file.refused.empty())
        finish_line();
    file.last_line = number;
    if (!file.refused.empty())
        file.accepted = false;
    return file;
}

const char* encoding_name(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8Mark: return "UTF-8 (it begins with the UTF-8 mark EF BB BF)";
    case Encoding::Utf8: return "UTF-8 or ASCII without a byte-order mark";
    case Encoding::Utf16Be: return "UTF-16BE (it begins with FE FF)";
    case Encoding::Utf16BeNoMark: return "UTF-16BE without a byte-order mark";
    case Encoding::Utf16LeNoMark: return "UTF-16LE without its byte-order mark";
    case Encoding::Unknown: return "neither UTF-8 nor UTF-16 text";
    case Encoding::Utf16Le:
    case Encoding::TooShort: break;
    }
    return nullptr;
}

std::string refusal(const LanguageFile& file)
{
    if (file.encoding == Encoding::TooShort)
        return "the file has " + std::to_string(file.bytes) + " byte(s), too few for the byte-order mark FF FE";
    if (const char* what = encoding_name(file.encoding))
        return std::string("the file is ") + what +
               "; a language file must be UTF-16LE beginning with the byte-order mark FF FE";
    if (!file.refused.empty())
        return "the plug-in refuses the file: " + file.refused;
    return std::string();
}

bool language_of_name(const std::string& path, uint16_t& language)
{
    const size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (name.size() != 17 || name.compare(0, 8, "linkory.") != 0 || name.compare(12, 5, ".intl") != 0)
        return false;
    unsigned value = 0;
    for (size_t i = 8; i < 12; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10);
    }
    language = static_cast<uint16_t>(value);
    return true;
}

}  // namespace todaysim
