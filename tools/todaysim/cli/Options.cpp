// SPDX-License-Identifier: MIT
// Command-line parsing and the help text of todaysim.
#include "tools/todaysim/cli/Options.h"

#include <algorithm>
#include <map>

#include <CLI/CLI.hpp>

#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Values.h"

namespace todaysim {
namespace {

// UI fonts up to 400 pixels keep the simulated fonts within sane sizes.
constexpr int kMaxFontSize = 400;
// 16 times a VGA screen is still a window a desktop can map.
constexpr int kMaxZoom = 16;

// The options that take a value, then the flags; the hint for a misspelt one comes from here.
const char* const kValueOptions[] = {"--scenario", "--png", "--trace", "--dpi", "--font-size", "--lang",
                                     "--dll", "--interval", "--zoom", "--check", "--template",
                                     "--device", "--screen"};
const char* const kFlags[] = {"--help", "--version", "--text", "--quiet", "--watch", "--window", "--force"};

size_t edit_distance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closest_option(const std::string& name)
{
    std::string best;
    size_t best_distance = std::string::npos;
    auto consider = [&](const char* option) {
        const size_t distance = edit_distance(name, option);
        if (distance < best_distance) {
            best_distance = distance;
            best = option;
        }
    };
    for (const char* option : kValueOptions)
        consider(option);
    for (const char* option : kFlags)
        consider(option);
    // A slip of a few keys, not a different word: "--scenio", "--pgn", "-dpi".
    return best_distance <= std::max<size_t>(2, name.size() / 4) ? best : std::string();
}

namespace {

bool is_value_option(const std::string& name)
{
    for (const char* option : kValueOptions)
        if (name == option)
            return true;
    return false;
}

bool is_flag(const std::string& name)
{
    for (const char* flag : kFlags)
        if (name == flag)
            return true;
    return false;
}

void apply_value(Options& options, const std::string& name, const std::string& value)
{
    auto bad = [&](const std::string& expected) {
        return usage_error("todaysim: " + name + " '" + value + "': expected " + expected);
    };
    if (value.empty() && name != "--font-size")
        throw bad("a value");
    if (name == "--scenario") {
        options.scenario = value;
    } else if (name == "--png") {
        options.png = value;
    } else if (name == "--trace") {
        options.trace = value;
    } else if (name == "--dll") {
        options.dll = value;
    } else if (name == "--check") {
        options.check = value;
    } else if (name == "--template") {
        options.template_path = value;
    } else if (name == "--dpi") {
        Dpi dpi;
        if (!parse_dpi(value, dpi))
            throw bad("dots per inch from 24 to 960, as N or XxY");
        options.dpi = dpi;
    } else if (name == "--font-size") {
        options.font_size_set = true;
        int size = 0;
        if (value == "none")
            options.font_size.reset();
        else if (parse_int(value, 1, kMaxFontSize, size))
            options.font_size = size;
        else
            throw bad("a pixel size from 1 to 400, or 'none'");
    } else if (name == "--interval") {
        if (!parse_interval(value, options.interval))
            throw bad("seconds from 0.05 to 86400, such as 2 or 0.5");
    } else if (name == "--zoom") {
        if (!parse_int(value, 1, kMaxZoom, options.zoom))
            throw bad("a whole zoom factor from 1 to 16");
    } else if (name == "--device") {
        options.list_devices = value == "list";
        options.screen_class = find_screen_class(value);
        if (!options.screen_class && !options.list_devices)
            throw bad("a screen class (" + screen_class_names() + ") or 'list'");
    } else if (name == "--screen") {
        int width = 0, height = 0;
        if (!parse_screen(value, width, height))
            throw bad("a size in pixels as WxH, each from 16 to 4096");
        options.screen = std::make_pair(width, height);
    } else if (name == "--lang") {
        uint16_t language = 0;
        if (!parse_language(value, language))
            throw bad("a hexadecimal language identifier such as 0407 or 0x0409");
        options.language = language;
    }
}

// --check draws at its own densities and fonts with its own connections.
void check_translator_options(const Options& options)
{
    const bool check = !options.check.empty();
    if (check && !options.template_path.empty())
        throw usage_error("todaysim: --check and --template cannot be combined");
    if (!check && !options.template_path.empty() && (options.png || options.trace || options.text))
        throw usage_error("todaysim: --template writes only the template");
    if ((check || !options.template_path.empty()) && options.watch)
        throw usage_error("todaysim: --check and --template run once; they take no --watch or --window");
    if (check && (!options.scenario.empty() || options.dpi || options.font_size_set || options.text ||
                  options.screen_class || options.screen))
        throw usage_error("todaysim: --check measures at 96, 131 and 192 dpi on its own sample connections; "
                          "it takes only --lang, --dll, --png, --trace and --quiet");
}

// Standard output carries one thing at a time: a PNG or a trace mixed with the text view, or
// with each other, could be read by nothing.
void check_stdout(const Options& options)
{
    const bool png = options.png && *options.png == "-";
    const bool trace = options.trace && *options.trace == "-";
    const bool text = options.text && !options.quiet;
    if (png && options.watch)
        throw usage_error("todaysim: --png - writes one picture; a watch rewrites its PNG, so it needs a file");
    if (png && trace)
        throw usage_error("todaysim: --png - and --trace - both write to standard output; send one to a file");
    if ((png || trace) && text)
        throw usage_error(std::string("todaysim: ") + (png ? "--png -" : "--trace -") +
                          " and --text both write to standard output; send it to a file, or drop --text");
}

}  // namespace

Options parse_options(const std::vector<std::string>& args)
{
    // Flags given a value are refused before CLI11 reads "--text=0" as a switch turned off.
    // An empty value after '=' is one the user gave.
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        const size_t eq = arg.find('=');
        if (eq != std::string::npos && is_flag(arg.substr(0, eq)))
            throw usage_error("todaysim: " + arg.substr(0, eq) + " takes no value");
        // CLI11 would take the next argument for an empty "--png=".
        if (eq + 1 == arg.size() && is_value_option(arg.substr(0, eq))) {
            Options refused;
            apply_value(refused, arg.substr(0, eq), "");
        }
    }

    Options options;
    CLI::App app("todaysim");
    app.set_help_flag();
    app.allow_extras(true);
    // A repeated option counts once, with its last value, as before.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    for (const char* option : kValueOptions)
        app.add_option(option);
    app.add_flag("-h,--help", options.help);
    app.add_flag("-V,--version", options.version);
    app.add_flag("--text", options.text);
    app.add_flag("-q,--quiet", options.quiet);
    app.add_flag("--watch", options.watch);
    app.add_flag("--force", options.force);
    bool window = false;
    app.add_flag("--window", window);
    try {
        // CLI11 takes the arguments last first.
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ArgumentMismatch& error) {
        // "--dpi: 1 required TEXT missing": the option is the text before the colon.
        const std::string text = error.what();
        const std::string name = text.substr(0, text.find(':'));
        throw usage_error("todaysim: " + (is_value_option(name) ? name + " needs a value" : text) + " (try --help)");
    } catch (const CLI::ParseError& error) {
        throw usage_error(std::string("todaysim: ") + error.what() + " (try --help)");
    }
    for (const std::string& arg : app.remaining()) {
        if (arg.rfind("-", 0) == 0 && arg != "-") {
            const std::string hint = closest_option(arg.substr(0, arg.find('=')));
            throw usage_error("todaysim: unknown option '" + arg + "' (" +
                              (hint.empty() ? "try --help" : "did you mean " + hint + "?") + ")");
        }
        throw usage_error("todaysim: unexpected argument '" + arg + "' (did you mean --scenario " + arg + "?)");
    }
    // Values in the order given, so that the first bad one is the one reported.
    std::map<const CLI::Option*, size_t> seen;
    for (const CLI::Option* option : app.parse_order())
        if (is_value_option(option->get_name()))
            apply_value(options, option->get_name(), option->results().at(seen[option]++));
    if (window)
        options.window = options.watch = true;
    check_translator_options(options);
    check_stdout(options);
    if (!options.png && !options.text && !options.trace && options.check.empty() && options.template_path.empty()) {
        options.png = "today.png";
        options.text = !options.quiet;
    }
    if (options.quiet)
        options.text = false;
    return options;
}

const char* help_text()
{
    return R"(Usage: todaysim [OPTION]...
Loads Linkory.dll into a simulated Windows Mobile Today screen, drives it and
shows what it drew: the item as text, a PNG of the screen and, on request, a
trace of every host message and drawing call.

Without --scenario the device's connections are this machine's own network
interfaces: todaysim polls the item, opens its detail block and polls again.

Input:
  --scenario FILE   run a JSON scenario: device settings, connections, steps
  --dll PATH        the plug-in to load (default: Linkory.dll beside todaysim)

Device settings (override the scenario's "device"; --dpi, --font-size and
--screen also override --device):
  --device NAME     a Windows Mobile 5 screen class: qvga-portrait (240x320),
                    qvga-landscape, qvga-square at 96 dpi; vga-portrait
                    (480x640), vga-landscape, vga-square at 192 dpi; each with
                    its density's UI font. 'list' prints them
  --screen WxH      any other screen size in pixels
  --dpi N|XxY       screen dots per inch (96, 131, 192, ... or 96x131)
  --font-size N     the shell's UI font size in pixels; 'none': the shell
                    answers without writing a size
  --lang ID         device language, hexadecimal (0409 English, 0407 German)

Live modes:
  --watch           after the steps (or the first poll) keep polling until
                    ended with q, Ctrl-C or SIGTERM; the text view is redrawn
                    whenever the item repaints. Keys: Enter or space taps the
                    toggle box, a the action key, s passes or takes the
                    selection, q quits
  --interval SECS   seconds between polls (default 2, at least 0.05)
  --window          --watch in a window showing the Today screen; a click is a
                    tap there, and the keys above work in it
  --zoom N          window pixels per screen pixel (default 2)

For translators:
  --check FILE      check a language file: every problem as FILE:LINE: error,
                    warning or note, what the plug-in shows instead, each line
                    measured at 96, 131 and 192 dpi; --png SHEET pictures the
                    item with it; exit status 1 on any error or warning
  --template FILE   write the English language file to start a translation from;
                    an existing FILE is kept unless --force is given

Output (without any of these: --text and --png today.png):
  --png FILE        write the final Today screen as a PNG (live modes: after
                    every repaint, replaced atomically)
  --text            print the item as text
  --trace FILE      write a JSON Lines trace of the run ('-' for stdout)
  -q, --quiet       print nothing on stdout except a trace sent there
  --force           replace an existing file that todaysim did not write (a
                    PNG or trace of its own is always replaced)

  -h, --help        show this help and exit
  -V, --version     show the version and exit

Examples:
  todaysim                                    live interfaces, text + today.png
  todaysim --dpi 192 --png big.png            the same on a VGA screen
  todaysim --scenario gprs.json --text        a scripted run, shown as text
  todaysim --scenario gprs.json --trace - -q  the trace alone, on stdout
  todaysim --watch                            follow this machine's interfaces
  todaysim --window --zoom 3                  the same in a window, 3x
  todaysim --watch --trace - -q | jq .        the live trace, event by event
  todaysim --lang 0407 --text                 German, if Linkory.0407.intl or
                                              Linkory.0007.intl lies by the dll

Exit status: 0 success, 1 the run failed, 2 bad usage or a bad scenario.
)";
}

}  // namespace todaysim
