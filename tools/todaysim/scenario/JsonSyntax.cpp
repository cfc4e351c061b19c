// SPDX-License-Identifier: MIT
// JSON parsing for scenario files: syntax errors as file:line:column, repeated keys refused
// (a second "steps" would otherwise silently replace the first), comments allowed.
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

using nlohmann::json;

// Where the parser is: one frame per open object or array, to name a repeated key's field.
struct Frame {
    bool object = false;
    std::string path;
    std::set<std::string> keys;
    std::string key;
    size_t index = 0;
};

std::string child_path(const Frame& frame)
{
    if (frame.object)
        return frame.path.empty() ? frame.key : frame.path + "." + frame.key;
    return frame.path + "[" + std::to_string(frame.index) + "]";
}

// nlohmann reports the byte offset just past the offending character.
void line_and_column(const std::string& text, size_t byte, size_t& line, size_t& column)
{
    line = 1;
    column = 1;
    size_t end = byte > 0 ? byte - 1 : 0;
    for (size_t i = 0; i < end && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
}

// "[json.exception.parse_error.101] parse error at line 1, column 2: syntax error ..."
// becomes "syntax error ...": the position is given in the file:line:column form instead.
std::string reason(const std::string& what)
{
    size_t at = what.find(": ");
    return at == std::string::npos ? what : what.substr(at + 2);
}

}  // namespace

json parse_json_checked(const std::string& text, const std::string& file)
{
    std::vector<Frame> frames;
    std::string repeated;
    auto callback = [&](int, json::parse_event_t event, json& parsed) {
        switch (event) {
        case json::parse_event_t::object_start:
        case json::parse_event_t::array_start: {
            Frame frame;
            frame.object = event == json::parse_event_t::object_start;
            frame.path = frames.empty() ? std::string() : child_path(frames.back());
            frames.push_back(frame);
            break;
        }
        case json::parse_event_t::key: {
            Frame& frame = frames.back();
            frame.key = parsed.get<std::string>();
            if (!frame.keys.insert(frame.key).second && repeated.empty())
                repeated = child_path(frame);
            break;
        }
        case json::parse_event_t::object_end:
        case json::parse_event_t::array_end:
            frames.pop_back();
            if (!frames.empty() && !frames.back().object)
                ++frames.back().index;
            break;
        case json::parse_event_t::value:
            if (!frames.empty() && !frames.back().object)
                ++frames.back().index;
            break;
        }
        return true;
    };
    json root;
    try {
        root = json::parse(text, callback, true, true);
    } catch (const json::parse_error& error) {
        size_t line, column;
        line_and_column(text, error.byte, line, column);
        throw usage_error(file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                          reason(error.what()));
    } catch (const json::out_of_range& error) {
        // A number past a double's range ("1E400"): the parser names the number, not where it
        // stood, so its first occurrence gives the place.
        const std::string what = error.what();
        const size_t open = what.find('\''), close = what.rfind('\'');
        const std::string number = open < close ? what.substr(open + 1, close - open - 1) : std::string();
        const size_t at = number.empty() ? std::string::npos : text.find(number);
        std::string place = file;
        if (at != std::string::npos) {
            size_t line, column;
            line_and_column(text, at + 1, line, column);
            place += ":" + std::to_string(line) + ":" + std::to_string(column);
        }
        throw usage_error(place + ": the number " + (number.empty() ? std::string() : number + " ") +
                          "is too large for a number here");
    }
    if (!repeated.empty())
        throw usage_error(file + ": " + repeated + ": the key appears twice");
    return root;
}

}  // namespace todaysim
