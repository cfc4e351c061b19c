// SPDX-License-Identifier: MIT
// Starts both todaysim builds in child processes and reads their traces and pictures.
#include "RunPair.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

using nlohmann::json;

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Runs argv with its standard error in err_path; extra "NAME=value" pairs join the environment.
int spawn(const std::vector<std::string>& argv, const std::string& err_path, const std::vector<std::string>& env)
{
    pid_t child = fork();
    if (child == 0) {
        for (const std::string& entry : env)
            putenv(const_cast<char*>(entry.c_str()));
        int devnull = open("/dev/null", O_RDWR);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<json> read_trace(const std::string& path)
{
    std::vector<json> events;
    std::istringstream lines(slurp(path));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            events.push_back(json::parse(line));
    return events;
}

Picture read_png(const std::string& path)
{
    Picture picture;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return picture;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb = std::move(pixels);
    return picture;
}

std::string scratch(const std::string& name)
{
    return testing::TempDir() + "win32_" + std::to_string(getpid()) + "_" + name;
}

Outcome finish(int status, const std::string& base)
{
    Outcome outcome;
    outcome.status = status;
    outcome.err = slurp(base + ".err");
    outcome.trace = read_trace(base + ".jsonl");
    outcome.picture = read_png(base + ".png");
    for (const char* suffix : {".err", ".jsonl", ".png"})
        std::remove((base + suffix).c_str());
    return outcome;
}

std::string text_of(const json& event)
{
    return event.dump();
}

// The Win32 build whose todaysim.exe runs: LINKORY_WIN32_DIR names another one (the 32-bit
// build) without a second simulated build to compare with.
std::string win32_build_dir()
{
    const char* chosen = std::getenv("LINKORY_WIN32_DIR");
    return chosen && *chosen ? chosen : WIN32_BUILD_DIR;
}

}  // namespace

uint32_t Picture::at(int x, int y) const
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return (uint32_t(rgb[i]) << 16) | (uint32_t(rgb[i + 1]) << 8) | rgb[i + 2];
}

PairRun run_pair(const std::string& scenario, const std::string& locale)
{
    static int counter = 0;
    const std::string name = scenario.substr(scenario.find_last_of('/') + 1) + "_" + std::to_string(counter++);
    const std::string sim = scratch(name + "_sim"), wine = scratch(name + "_wine");
    PairRun pair;
    pair.sim = finish(spawn({SIM_TODAYSIM, "--scenario", scenario, "--trace", sim + ".jsonl", "--png", sim + ".png", "-q"},
                            sim + ".err", {}),
                      sim);

    // Wine reaches Unix paths through drive Z:; its prefix lives in the Win32 build.
    std::vector<std::string> env;
    if (!std::getenv("WINEPREFIX"))
        env.push_back("WINEPREFIX=" + win32_build_dir() + "/wineprefix");
    if (!std::getenv("WINEDEBUG"))
        env.push_back("WINEDEBUG=-all");
    if (!locale.empty())
        env.push_back("LC_ALL=" + locale);
    std::vector<std::string> argv = {"wine", win32_build_dir() + "/bin/todaysim.exe", "--scenario", "Z:" + scenario,
                                     "--trace", "Z:" + wine + ".jsonl", "--png", "Z:" + wine + ".png", "-q"};
    // LINKORY_WIN32_DLL: another build's Linkory.dll (the Microsoft-mode one) in this host.
    const char* dll = std::getenv("LINKORY_WIN32_DLL");
    if (dll && *dll) {
        argv.push_back("--dll");
        argv.push_back(std::string("Z:") + dll);
    }
    pair.wine = finish(spawn(argv, wine + ".err", env), wine);
    return pair;
}

std::vector<json> host_events(const std::vector<json>& trace)
{
    std::vector<json> kept;
    for (const json& event : trace) {
        const std::string ev = event.value("ev", "");
        if (ev == "load") {
            kept.push_back({{"ev", ev}, {"window", event["window"]}, {"cyp", event["cyp"]}});
        } else if (ev == "unload") {
            // Windows are what a Win32 host can count; heap and GDI stay with the system.
            kept.push_back({{"ev", ev}, {"windows", event["leaks"]["windows"]}});
        } else if (ev == "request") {
            if (event.value("message", "") == "TODAYM_TOOKSELECTION")
                kept.push_back(event);
        } else if (ev == "step" || ev == "poll" || ev == "resize" || ev == "paint" || ev == "selection" ||
                   ev == "note" || ev == "violation") {
            kept.push_back(event);
        }
    }
    return kept;
}

::testing::AssertionResult same_events(const std::vector<json>& sim, const std::vector<json>& wine)
{
    size_t first = 0;
    while (first < sim.size() && first < wine.size() && sim[first] == wine[first])
        ++first;
    if (first == sim.size() && first == wine.size())
        return ::testing::AssertionSuccess();
    std::ostringstream listing;
    listing << "host events differ from #" << first << " (simulated device | Wine):\n";
    const size_t from = first > 3 ? first - 3 : 0;
    for (size_t i = from; i < std::max(sim.size(), wine.size()) && i < first + 12; ++i) {
        const std::string left = i < sim.size() ? text_of(sim[i]) : "-";
        const std::string right = i < wine.size() ? text_of(wine[i]) : "-";
        listing << (i == first ? "> " : "  ") << i << ": " << left << "  |  " << right << "\n";
    }
    return ::testing::AssertionFailure() << listing.str();
}
