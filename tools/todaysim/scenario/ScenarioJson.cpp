// SPDX-License-Identifier: MIT
// Reads a scenario file and checks every field, so that a run never starts on a scenario
// that would fail half-way: errors name the file, the field and what was expected.
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Scenario.h"
#include "tools/todaysim/scenario/Values.h"

namespace todaysim {
namespace {

using nlohmann::json;

class Checker {
public:
    Checker(std::string file, std::string folder) : file_(std::move(file)), folder_(std::move(folder)) {}

    [[noreturn]] void fail(const std::string& path, const std::string& what) const
    {
        throw usage_error(file_ + ": " + path + ": " + what);
    }

    void keys(const json& object, const std::string& path, std::initializer_list<const char*> allowed) const
    {
        if (!object.is_object())
            fail(path, "expected an object");
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            std::string list;
            for (const char* name : allowed) {
                known = known || it.key() == name;
                list += list.empty() ? name : std::string(", ") + name;
            }
            if (!known)
                fail(join(path, it.key()), "unknown key (expected one of " + list + ")");
        }
    }

    static std::string join(const std::string& path, const std::string& key)
    {
        return path.empty() ? key : path + "." + key;
    }
    static std::string at(const std::string& path, size_t index)
    {
        return path + "[" + std::to_string(index) + "]";
    }

    int integer(const json& value, const std::string& path, long long min, long long max,
                const std::string& expected) const
    {
        if (!value.is_number_integer())
            fail(path, "expected " + expected);
        long long number = value.is_number_unsigned() && value.get<unsigned long long>() > 0x7fffffffffffull
                               ? max + 1
                               : value.get<long long>();
        if (number < min || number > max)
            fail(path, "expected " + expected);
        return static_cast<int>(number);
    }

    // DWORD fields accept 0 to 0xFFFFFFFF, and negative numbers as their 32-bit pattern.
    uint32_t dword(const json& value, const std::string& path) const
    {
        if (!value.is_number_integer())
            fail(path, "expected an integer from -2147483648 to 4294967295");
        if (value.is_number_unsigned()) {
            if (value.get<unsigned long long>() > 0xffffffffull)
                fail(path, "expected an integer from -2147483648 to 4294967295");
            return static_cast<uint32_t>(value.get<unsigned long long>());
        }
        long long number = value.get<long long>();
        if (number < -2147483648LL || number > 0xffffffffLL)
            fail(path, "expected an integer from -2147483648 to 4294967295");
        return static_cast<uint32_t>(number);
    }

    std::string text(const json& value, const std::string& path, const std::string& expected) const
    {
        if (!value.is_string())
            fail(path, "expected " + expected);
        return value.get<std::string>();
    }

    void pair(const json& value, const std::string& path, long long min, long long max, int& a, int& b) const
    {
        const std::string expected = "[x, y] with integers from " + std::to_string(min) + " to " + std::to_string(max);
        if (!value.is_array() || value.size() != 2)
            fail(path, "expected " + expected);
        a = integer(value[0], path, min, max, expected);
        b = integer(value[1], path, min, max, expected);
    }

    GUID guid(const json& value, const std::string& path) const
    {
        GUID result{};
        if (!value.is_string() || !parse_guid(value.get<std::string>(), result))
            fail(path, "expected a GUID such as \"{436EF144-B4FB-4863-A041-8F905A62C572}\"");
        return result;
    }

    // A description must fit its record's field; count UTF-16 units as the device stores them.
    std::string description(const json& value, const std::string& path, size_t max_units) const
    {
        std::string utf8 = text(value, path, "a text");
        size_t units = 0;
        for (unsigned char c : utf8)
            units += (c & 0xC0) != 0x80 ? ((c & 0xF8) == 0xF0 ? 2 : 1) : 0;
        if (max_units && units > max_units)
            fail(path, "expected a text of at most " + std::to_string(max_units) + " characters");
        return utf8;
    }

    Device device(const json& object) const;
    std::vector<std::pair<std::string, std::string>> language_files(const json& object) const;
    std::vector<Destination> destinations(const json& array, const std::string& path) const;
    std::vector<Connection> connections(const json& array, const std::string& path) const;
    Step step(const json& object, const std::string& path) const;

    const std::string& folder() const { return folder_; }

private:
    std::string file_;
    std::string folder_;
};

Device Checker::device(const json& object) const
{
    keys(object, "device", {"model", "dpi", "font_size", "language", "screen"});
    Device device;
    // The model's screen and density first; the keys given beside it win.
    if (object.contains("model")) {
        const ScreenClass* model = nullptr;
        if (object["model"].is_string())
            model = find_screen_class(object["model"].get<std::string>());
        if (!model)
            fail("device.model", "expected a screen class: " + screen_class_names());
        device.dpi_x = device.dpi_y = model->dpi;
        device.screen_width = model->width;
        device.screen_height = model->height;
    }
    const std::string dpi_expected = "dots per inch from 24 to 960, as N or [x, y]";
    if (object.contains("dpi")) {
        const json& dpi = object["dpi"];
        if (dpi.is_array())
            pair(dpi, "device.dpi", 24, 960, device.dpi_x, device.dpi_y);
        else
            device.dpi_x = device.dpi_y = integer(dpi, "device.dpi", 24, 960, dpi_expected);
    }
    if (object.contains("font_size")) {
        device.font_size_given = true;
        const json& size = object["font_size"];
        if (size.is_null())
            device.font_size.reset();
        else
            device.font_size = integer(size, "device.font_size", 1, 400, "a pixel size from 1 to 400, or null");
    }
    if (object.contains("language")) {
        const json& language = object["language"];
        const std::string expected = "a hexadecimal language identifier such as \"0x0407\"";
        if (language.is_number_integer()) {
            device.language = static_cast<uint16_t>(integer(language, "device.language", 0, 0xFFFF, expected));
        } else if (!language.is_string() || !parse_language(language.get<std::string>(), device.language)) {
            fail("device.language", "expected " + expected);
        }
    }
    if (object.contains("screen"))
        pair(object["screen"], "device.screen", 16, 4096, device.screen_width, device.screen_height);
    return device;
}

bool is_regular_file(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::pair<std::string, std::string>> Checker::language_files(const json& object) const
{
    if (!object.is_object())
        fail("language_files", "expected an object mapping a file name beside the dll to a file");
    std::vector<std::pair<std::string, std::string>> files;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string path = "language_files." + it.key();
        const std::string& name = it.key();
        // The name is staged inside a private folder: it must stay a plain file name there
        // and must not replace the plug-in itself.
        std::string lower;
        for (char c : name)
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        bool control = false;
        for (char c : name)
            control = control || static_cast<unsigned char>(c) < 0x20;
        if (name.empty() || control || name == "." || name == ".." || name.find('/') != std::string::npos ||
            name.find('\\') != std::string::npos || lower == "linkory.dll")
            fail(path, "expected a plain file name other than Linkory.dll, such as \"Linkory.0407.intl\"");
        std::string source = text(it.value(), path, "the path of a file, relative to the scenario");
        if (source.empty())
            fail(path, "expected the path of a file, relative to the scenario");
        std::string resolved = source[0] == '/' ? source : folder_ + source;
        if (!is_regular_file(resolved))
            fail(path, "no such file: " + resolved);
        files.emplace_back(name, resolved);
    }
    return files;
}

std::vector<Destination> Checker::destinations(const json& array, const std::string& path) const
{
    if (!array.is_array())
        fail(path, "expected an array of destinations");
    std::vector<Destination> list;
    for (size_t i = 0; i < array.size(); ++i) {
        const std::string item = at(path, i);
        keys(array[i], item, {"guid", "description"});
        Destination destination;
        if (array[i].contains("guid"))
            destination.guid = guid(array[i]["guid"], join(item, "guid"));
        if (array[i].contains("description"))
            destination.description = description(array[i]["description"], join(item, "description"), 127);
        list.push_back(destination);
    }
    return list;
}

std::vector<Connection> Checker::connections(const json& array, const std::string& path) const
{
    if (!array.is_array())
        fail(path, "expected an array of connections");
    std::vector<Connection> list;
    for (size_t i = 0; i < array.size(); ++i) {
        const std::string item = at(path, i);
        const json& object = array[i];
        keys(object, item, {"description", "type", "subtype", "status", "addresses", "destination"});
        Connection connection;
        if (object.contains("description") && !object["description"].is_null())
            connection.description = description(object["description"], join(item, "description"), 0);
        if (object.contains("type")) {
            const json& type = object["type"];
            if (!type.is_string())
                connection.type = dword(type, join(item, "type"));
            else if (!parse_type_name(type.get<std::string>(), connection.type))
                fail(join(item, "type"), "expected a type number or name: \"unknown\", \"cellular\", \"nic\", "
                                         "\"bluetooth\", \"unimodem\", \"vpn\", \"proxy\" or \"pc\"");
        }
        if (object.contains("subtype")) {
            const json& subtype = object["subtype"];
            if (!subtype.is_string())
                connection.subtype = dword(subtype, join(item, "subtype"));
            else if (!parse_subtype_name(connection.type, subtype.get<std::string>(), connection.subtype))
                fail(join(item, "subtype"), subtype_names(connection.type).empty()
                                                ? "expected a number: type " + std::to_string(connection.type) +
                                                      " has no subtype names"
                                                : "expected a number or one of " + subtype_names(connection.type));
        }
        if (object.contains("status")) {
            const json& status = object["status"];
            if (status.is_string()) {
                if (!parse_status_name(status.get<std::string>(), connection.status))
                    fail(join(item, "status"), "expected a status number or name such as \"connected\" or \"disconnected\"");
            } else {
                connection.status = dword(status, join(item, "status"));
            }
        }
        if (object.contains("addresses")) {
            const json& addresses = object["addresses"];
            if (!addresses.is_array())
                fail(join(item, "addresses"), "expected an array of IPv4 or IPv6 addresses");
            for (size_t a = 0; a < addresses.size(); ++a) {
                Address address;
                if (!addresses[a].is_string() || !parse_address(addresses[a].get<std::string>(), address))
                    fail(at(join(item, "addresses"), a), "expected an IPv4 or IPv6 address such as \"10.0.0.5\"");
                connection.addresses.push_back(address);
            }
        }
        if (object.contains("destination"))
            connection.destination = guid(object["destination"], join(item, "destination"));
        list.push_back(connection);
    }
    return list;
}

std::optional<uint32_t> hresult(const Checker& checker, const json& value, const std::string& path)
{
    if (value.is_null())
        return std::nullopt;
    const std::string expected = "a failing HRESULT such as \"0x80004005\", or null";
    uint32_t code = 0;
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') ||
            text.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos)
            checker.fail(path, "expected " + expected);
        code = static_cast<uint32_t>(std::stoul(text.substr(2), nullptr, 16));
    } else if (value.is_number_integer()) {
        code = checker.dword(value, path);
    } else {
        checker.fail(path, "expected " + expected);
    }
    if (!(code & 0x80000000u))
        checker.fail(path, "expected " + expected + " (without the high bit an HRESULT means success)");
    // The ask for a bigger buffer is not a failure: answered forever, it keeps the item
    // asking forever.
    if (code == 0x8007007Au)
        checker.fail(path, "expected " + expected + " (0x8007007A asks for a bigger buffer)");
    return code;
}

Step Checker::step(const json& object, const std::string& path) const
{
    if (!object.is_object() || object.size() != 1)
        fail(path, "expected an object with exactly one step, such as {\"poll\": 1}");
    const std::string name = object.begin().key();
    const json& value = object.begin().value();
    const std::string field = join(path, name);
    Step step;
    auto must_be_true = [&] {
        if (value != json(true))
            fail(field, "expected true");
    };
    if (name == "poll") {
        step.kind = StepKind::Poll;
        step.count = integer(value, field, 1, 100000, "a number of polls from 1 to 100000");
    } else if (name == "tap") {
        step.kind = StepKind::Tap;
        pair(value, field, 0, 32767, step.x, step.y);
    } else if (name == "action") {
        step.kind = StepKind::Action;
        must_be_true();
    } else if (name == "select") {
        step.kind = StepKind::Select;
        must_be_true();
    } else if (name == "deselect") {
        step.kind = StepKind::Deselect;
        must_be_true();
    } else if (name == "connections") {
        step.kind = StepKind::Connections;
        step.connections = connections(value, field);
    } else if (name == "destinations") {
        step.kind = StepKind::Destinations;
        step.destinations = destinations(value, field);
    } else if (name == "query_fails") {
        step.kind = StepKind::QueryFails;
        step.hresult = hresult(*this, value, field);
    } else if (name == "enum_fails_at") {
        step.kind = StepKind::EnumFailsAt;
        if (!value.is_null())
            step.enum_index = integer(value, field, 0, 1000000, "an index from 0, or null");
    } else if (name == "png") {
        step.kind = StepKind::Png;
        step.path = text(value, field, "the name of a PNG file to write");
        if (step.path.empty())
            fail(field, "expected the name of a PNG file to write");
    } else if (name == "gdi_fails_from" || name == "heap_fails_from") {
        step.kind = name == "gdi_fails_from" ? StepKind::GdiFailsFrom : StepKind::HeapFailsFrom;
        if (!value.is_null())
            step.fails_from = integer(value, field, 1, 2147483647, "a count from 1 (the next call), or null");
    } else {
        fail(field, "unknown step (expected poll, tap, action, select, deselect, connections, "
                    "destinations, query_fails, enum_fails_at, gdi_fails_from, heap_fails_from or png)");
    }
    return step;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

json parse_json_checked(const std::string& text, const std::string& file);

Scenario parse_scenario(const std::string& text, const std::string& path)
{
    Checker checker(path, folder_of(path));
    json root = parse_json_checked(text, path);
    if (!root.is_object())
        throw usage_error(path + ": expected an object at the top, such as {\"steps\": [{\"poll\": 1}]}");
    checker.keys(root, "", {"device", "language_files", "destinations", "connections", "steps"});
    Scenario scenario;
    scenario.file = path;
    if (root.contains("device"))
        scenario.device = checker.device(root["device"]);
    if (root.contains("language_files"))
        scenario.language_files = checker.language_files(root["language_files"]);
    if (root.contains("destinations"))
        scenario.destinations = checker.destinations(root["destinations"], "destinations");
    if (root.contains("connections"))
        scenario.connections = checker.connections(root["connections"], "connections");
    if (root.contains("steps")) {
        const json& steps = root["steps"];
        if (!steps.is_array())
            checker.fail("steps", "expected an array of steps");
        scenario.has_steps = true;
        for (size_t i = 0; i < steps.size(); ++i)
            scenario.steps.push_back(checker.step(steps[i], Checker::at("steps", i)));
    }
    return scenario;
}

namespace {

// Where the first ill-formed UTF-8 sequence begins (a Latin-1 'é' is its own byte), or npos.
size_t first_bad_utf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                              : lead >= 0xF0 && lead <= 0xF4                   ? 4
                                                                               : 0;
        if (length == 0 || i + length > text.size())
            return i;
        // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
        const unsigned char second = length > 1 ? static_cast<unsigned char>(text[i + 1]) : 0x80;
        const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high)
            return i;
        for (size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return i;
        i += length;
    }
    return std::string::npos;
}

}  // namespace

Scenario load_scenario(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        throw usage_error("todaysim: " + path + ": is a folder, not a scenario file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw usage_error("todaysim: " + path + ": cannot read the scenario file: " + std::strerror(errno));
    if (!is_regular_file(path))
        throw usage_error("todaysim: " + path + ": cannot read the scenario file: not a regular file");
    std::stringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw usage_error("todaysim: " + path + ": cannot read the scenario file");
    const std::string text = content.str();
    const size_t bad = first_bad_utf8(text);
    if (bad != std::string::npos) {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < bad; ++i, ++column)
            if (text[i] == '\n')
                line += 1, column = 0;
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
        throw usage_error("todaysim: " + path + ":" + std::to_string(line) + ":" + std::to_string(column) +
                          ": not UTF-8: byte " + byte + " (save the scenario as UTF-8)");
    }
    return parse_scenario(text, path);
}

}  // namespace todaysim
