// SPDX-License-Identifier: MIT
// Predicts each drawn line from the file: the same lookups, fallbacks and cuts as the item.
#include "tools/todaysim/translate/CheckExpect.h"

#include <algorithm>
#include <climits>

#include "tools/todaysim/language/Vocabulary.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim::check {
namespace {

using vocabulary::kConnType;
using vocabulary::kMain;

constexpr size_t kTypeChars = 511;  // the type names' own buffer

GUID guid(uint32_t first)
{
    GUID g{};
    g.Data1 = first;
    g.Data2 = 0x4C1A;
    g.Data3 = 0x9E21;
    return g;
}

Connection connection(const char* description, uint32_t type, uint32_t subtype, const char* address, uint32_t dest)
{
    Connection c;
    if (description)
        c.description = description;
    c.type = type;
    c.subtype = subtype;
    if (address) {
        Address a;
        parse_address(address, a);
        c.addresses.push_back(a);
    }
    c.destination = guid(dest);
    return c;
}

class Texts {
public:
    explicit Texts(const LanguageFile& file) : file_(file) {}

    // A Main text: the default for a missing or empty one.
    std::u16string main(int number) const
    {
        const Entry* entry = file_.find(kMain, number);
        return entry && !entry->text.empty() ? entry->text : vocabulary::find(kMain, number)->english;
    }
    // A ConnType text; false for one the file left empty.
    bool type_text(int number, std::u16string& text) const
    {
        const Entry* entry = file_.find(kConnType, number);
        text = entry ? entry->text : std::u16string(vocabulary::find(kConnType, number)->english);
        return !entry || !entry->text.empty();
    }
    std::u16string type_name(const vocabulary::TypeRow& row, std::vector<Source>& sources) const;

private:
    const LanguageFile& file_;
};

std::u16string Texts::type_name(const vocabulary::TypeRow& row, std::vector<Source>& sources) const
{
    std::u16string type, sub;
    auto unknown = [&]() {
        sources.push_back({kConnType, vocabulary::kUnknownType});
        std::u16string text;
        return type_text(vocabulary::kUnknownType, text) ? text : std::u16string(u"(Unknown)");
    };
    if (row.number == vocabulary::kUnknownType)
        return unknown();
    const int type_number = static_cast<int>(row.type) * 100;
    sources.push_back({kConnType, type_number});
    bool has_type = type_text(type_number, type);
    bool has_sub = row.subtype != 0 && type_text(row.number, sub);
    if (row.subtype != 0)
        sources.push_back({kConnType, row.number});
    if (!has_type)
        return unknown();
    if (!has_sub)
        return type;
    return (type + u"/" + sub).substr(0, kTypeChars);
}

Line formatted(std::u16string text, std::vector<Source> sources, std::string what)
{
    Line line;
    line.full = text.size();
    line.text = text.substr(0, kLineChars);
    line.sources = std::move(sources);
    line.what = std::move(what);
    return line;
}

Line labelled(const Texts& texts, int label, const std::u16string& value, std::vector<Source> more, std::string what)
{
    more.insert(more.begin(), Source{kMain, label});
    return formatted(texts.main(label) + u": " + value, std::move(more), std::move(what));
}

std::u16string address_text(const Connection& c)
{
    const auto& b = c.addresses.front().bytes;
    return utf16_from_utf8(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                           std::to_string(b[3]));
}

const vocabulary::TypeRow& row_of(const Connection& c)
{
    for (const vocabulary::TypeRow& row : vocabulary::type_rows())
        if (row.type == c.type && row.subtype == c.subtype)
            return row;
    // A subtype without a row of its own shows as its type alone.
    for (const vocabulary::TypeRow& row : vocabulary::type_rows())
        if (row.type == c.type && row.subtype == 0)
            return row;
    return vocabulary::type_rows().back();
}

std::string english_type(const vocabulary::TypeRow& row)
{
    const LanguageFile none;
    std::vector<Source> ignored;
    const std::u16string name = Texts(none).type_name(row, ignored);
    return utf8_from_utf16(name.c_str(), name.size());
}

void block(Paint& paint, const Texts& texts, const Connection& c)
{
    if (c.description) {
        Line description = formatted(utf16_from_utf8(*c.description), {}, "a description");
        description.measured = false;
        paint.push_back(description);
    }
    if (c.addresses.empty())
        paint.push_back(labelled(texts, 3, u"(" + texts.main(4) + u")", {{kMain, 4}}, "the address line without an address"));
    else
        paint.push_back(labelled(texts, 3, address_text(c), {}, "the address line"));
    const vocabulary::TypeRow& row = row_of(c);
    std::vector<Source> sources;
    std::u16string name = texts.type_name(row, sources);
    paint.push_back(labelled(texts, 5, name, sources, "the type line of " + english_type(row)));
    const Destination* dest = nullptr;
    for (const Destination& d : sample_destinations())
        if (d.guid.Data1 == c.destination.Data1)
            dest = &d;
    if (dest)
        paint.push_back(labelled(texts, 6, utf16_from_utf8(dest->description), {}, "the destination line"));
    else
        paint.push_back(labelled(texts, 6, u"(" + texts.main(7) + u")", {{kMain, 7}},
                                 "the destination line of an unknown destination"));
}

Line header(const Texts& texts, unsigned count)
{
    std::u16string format = texts.main(2);
    if (!is_count_format(format))
        format = vocabulary::find(kMain, 2)->english;
    size_t full = 0;
    Line line = formatted(format_count(format, count, &full), {{kMain, 2}}, "the header");
    line.full = full;
    return line;
}

// Reads a run of decimal digits, saturating.
int digits(const std::u16string& s, size_t& i)
{
    long long value = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9')
        value = std::min<long long>(INT_MAX, value * 10 + (s[i++] - u'0'));
    return static_cast<int>(value);
}

}  // namespace

const std::vector<Destination>& sample_destinations()
{
    static const std::vector<Destination> kDestinations = {{guid(1), "The Internet"}, {guid(2), "Work"}};
    return kDestinations;
}

const std::vector<Connection>& sample_connections()
{
    static const std::vector<Connection> kSamples = {
        connection("GPRS", 1, 2, "10.120.31.207", 1),
        connection("Office WiFi", 2, 2, nullptr, 2),
        connection("Bluetooth PAN", 3, 0, "192.168.100.200", 7),
    };
    return kSamples;
}

const std::vector<Connection>& type_connections()
{
    static const std::vector<Connection> kTypes = [] {
        std::vector<Connection> all;
        for (const vocabulary::TypeRow& row : vocabulary::type_rows())
            all.push_back(connection(nullptr, row.type, row.subtype, nullptr, 1));
        return all;
    }();
    return kTypes;
}

std::vector<Paint> expected_paints(const LanguageFile& file)
{
    const Texts texts(file);
    std::vector<Paint> paints(kPaintKinds);
    paints[kIdle].push_back(formatted(texts.main(1), {{kMain, 1}}, "the header without connections"));
    // Text 1 is drawn as it is, not through the line buffer.
    paints[kIdle].back().text = texts.main(1);
    paints[kIdle].back().buffered = false;
    paints[kSamples].push_back(header(texts, static_cast<unsigned>(sample_connections().size())));
    for (const Connection& c : sample_connections())
        block(paints[kSamples], texts, c);
    paints[kTypes].push_back(header(texts, static_cast<unsigned>(type_connections().size())));
    for (const Connection& c : type_connections())
        block(paints[kTypes], texts, c);
    return paints;
}

bool is_count_format(const std::u16string& f)
{
    int conversions = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%')
            continue;
        if (++i < f.size() && f[i] == u'%')
            continue;
        while (i < f.size() && (f[i] == u'-' || f[i] == u'+' || f[i] == u' ' || f[i] == u'#' || f[i] == u'0'))
            ++i;
        digits(f, i);
        if (i < f.size() && f[i] == u'.')
            digits(f, ++i);
        if (i >= f.size() || (f[i] != u'u' && f[i] != u'd' && f[i] != u'i'))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

std::u16string format_count(const std::u16string& f, unsigned count, size_t* full_length)
{
    // Enough of the text for any line; the length counts all of it.
    constexpr size_t kKeep = 4 * kLineChars;
    std::u16string out;
    size_t full = 0;
    auto put = [&](const std::u16string& piece, size_t repeat = 1) {
        for (size_t r = 0; r < repeat && out.size() < kKeep; ++r)
            out += piece;
        full += piece.size() * repeat;
    };
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%' || i + 1 >= f.size()) {
            put(std::u16string(1, f[i]));
            continue;
        }
        if (f[++i] == u'%') {
            put(u"%");
            continue;
        }
        bool left = false, zero = false, plus = false, space = false;
        for (; f[i] == u'-' || f[i] == u'+' || f[i] == u' ' || f[i] == u'#' || f[i] == u'0'; ++i) {
            left |= f[i] == u'-';
            zero |= f[i] == u'0';
            plus |= f[i] == u'+';
            space |= f[i] == u' ';
        }
        const size_t width = static_cast<size_t>(digits(f, i));
        int precision = -1;
        if (f[i] == u'.')
            precision = digits(f, ++i);
        const bool is_signed = f[i] != u'u';
        std::string number = std::to_string(count);
        if (precision >= 0) {
            zero = false;
            if (number.size() < static_cast<size_t>(precision))
                number.insert(0, static_cast<size_t>(precision) - number.size(), '0');
            if (precision == 0 && count == 0)
                number.clear();
        }
        std::string sign = is_signed && plus ? "+" : is_signed && space ? " " : "";
        const size_t length = sign.size() + number.size();
        const size_t fill = width > length ? width - length : 0;
        if (!left && !zero)
            put(u" ", fill);
        put(utf16_from_utf8(sign));
        if (!left && zero)
            put(u"0", fill);
        put(utf16_from_utf8(number));
        if (left)
            put(u" ", fill);
    }
    if (full_length)
        *full_length = full;
    return out;
}

}  // namespace todaysim::check
