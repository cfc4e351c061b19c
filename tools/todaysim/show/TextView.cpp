// SPDX-License-Identifier: MIT
// Lays the drawing calls of one paint out as rows of text inside a box.
#include "tools/todaysim/show/TextView.h"

#include <algorithm>
#include <map>

namespace todaysim {
namespace {

struct Piece {
    long left;
    std::string text;
    bool bold;
};

struct Row {
    long top = 0;
    long height = 1;
    std::vector<Piece> pieces;
    std::string icon;    // header icon symbol, or empty
    std::string toggle;  // "[+]", "[-]" or "[ ]", or empty
};

size_t display_width(const std::string& text)
{
    size_t width = 0;
    for (unsigned char c : text)
        width += (c & 0xC0) != 0x80;
    return width;
}

// The row whose line overlaps [top, bottom), or a new row there.
Row& row_for(std::vector<Row>& rows, long top, long bottom)
{
    for (Row& row : rows)
        if (row.top < bottom && top < row.top + row.height)
            return row;
    Row row;
    row.top = top;
    row.height = std::max(1L, bottom - top);
    rows.push_back(row);
    return rows.back();
}

std::string icon_symbol(int resource, bool unicode)
{
    if (resource == kIconConnected)
        return unicode ? "\u25C9" : "*";
    if (resource == kIconIdle)
        return unicode ? "\u25CB" : "o";
    return "?";
}

}  // namespace

std::string render_text_view(const std::vector<Event>& events, const TextViewStyle& style)
{
    size_t start = events.size();
    for (size_t i = events.size(); i-- > 0;) {
        if (events[i].value("ev", "") == "paint") {
            start = i;
            break;
        }
    }
    if (start == events.size())
        return "(the item was never painted)\n";
    const long client_height = rect_at(events[start]["rect"], 3);
    const long client_width = rect_at(events[start]["rect"], 2);

    std::vector<Row> rows;
    long base_left = -1;
    long char_width = 6;
    for (size_t i = start + 1; i < events.size(); ++i) {
        const Event& event = events[i];
        const std::string name = event.value("ev", "");
        if (name != "text")
            continue;
        const Event& rect = event["rect"];
        long top = rect_at(rect, 1);
        long line = std::abs(event["font"].value("height", 12L));
        // DrawText clips to its rectangle and the window to its client area: a line shows
        // only where both leave room for it (after a tap the window keeps its old height
        // until the host's next poll, and the lines below it are drawn into nothing).
        const long bottom = std::min({rect_at(rect, 3), top + line, client_height});
        if (std::max(top, 0L) >= bottom || event.value("text", "").empty())
            continue;
        Row& row = row_for(rows, top, top + line);
        row.pieces.push_back({rect_at(rect, 0), event.value("text", ""), event["font"].value("weight", 400L) >= 700});
        base_left = base_left < 0 ? rect_at(rect, 0) : std::min(base_left, rect_at(rect, 0));
        char_width = std::max(1L, line / 2);
    }
    // Icons and toggle frames join the row they overlap; a toggle icon inside a frame
    // decides between [+] and [-].
    std::vector<std::pair<Event, std::string*>> frames;
    for (size_t i = start + 1; i < events.size(); ++i) {
        const Event& event = events[i];
        const std::string name = event.value("ev", "");
        if (name == "frame") {
            const Event& rect = event["rect"];
            Row& row = row_for(rows, rect_at(rect, 1), rect_at(rect, 3));
            row.toggle = "[ ]";
        } else if (name == "icon") {
            int resource = event.value("resource", -1);
            long y = event.value("y", 0L), height = event.value("height", 0L);
            Row& row = row_for(rows, y, y + std::max(1L, height));
            if (resource == kIconExpand || resource == kIconCollapse)
                row.toggle = resource == kIconExpand ? "[+]" : "[-]";
            else
                row.icon = icon_symbol(resource, style.unicode);
        }
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.top < b.top; });

    // Each row as plain text (for widths) and as shown (with bold).
    std::vector<std::pair<std::string, std::string>> lines;
    size_t width = 20;
    for (Row& row : rows) {
        std::sort(row.pieces.begin(), row.pieces.end(), [](const Piece& a, const Piece& b) { return a.left < b.left; });
        std::string plain = row.icon.empty() ? "  " : row.icon + " ";
        std::string shown = plain;
        for (size_t p = 0; p < row.pieces.size(); ++p) {
            const Piece& piece = row.pieces[p];
            // Pieces keep their horizontal place; a piece that would touch the one before it
            // keeps one blank.
            size_t column = 2 + static_cast<size_t>(std::max(0L, (piece.left - base_left) / char_width));
            size_t used = display_width(plain);
            size_t pad = used < column ? column - used : (p > 0 ? 1 : 0);
            plain += std::string(pad, ' ') + piece.text;
            bool bold = piece.bold && style.color;
            shown += std::string(pad, ' ') + (bold ? "\x1b[1m" : "") + piece.text + (bold ? "\x1b[0m" : "");
        }
        width = std::max(width, display_width(plain));
        lines.emplace_back(plain, shown);
    }
    const std::string h = style.unicode ? "\u2500" : "-";
    const std::string v = style.unicode ? "\u2502" : "|";
    auto repeat = [](const std::string& s, size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const size_t inner = width + 1 + 3;  // the text, a blank, the toggle column
    const std::string title = " Linkory " + std::to_string(client_width) + "x" + std::to_string(client_height) + " ";
    std::string out = (style.unicode ? "\u250C" : "+") + h + title + repeat(h, inner + 1 - std::min(inner + 1, title.size())) +
                      (style.unicode ? "\u2510" : "+") + "\n";
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& toggle = rows[i].toggle;
        out += v + " " + lines[i].second + std::string(width - display_width(lines[i].first), ' ') + " " +
               (toggle.empty() ? "   " : toggle) + " " + v + "\n";
    }
    out += (style.unicode ? "\u2514" : "+") + repeat(h, inner + 2) + (style.unicode ? "\u2518" : "+") + "\n";
    return out;
}

}  // namespace todaysim
