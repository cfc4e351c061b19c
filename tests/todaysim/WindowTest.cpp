// SPDX-License-Identifier: MIT
// todaysim --window on a virtual display (Xvfb), driven with xdotool as a user would: a
// click on the toggle box, the window's pixels against the PNG, q to end.
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <gtest/gtest.h>

#include "LiveProcess.h"
#include "ToolRun.h"

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using nlohmann::json;

namespace {

// An Xvfb of the test's own; it picks a free display number and tells it through a pipe.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd ready = {fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&ready, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            return;
        // The number comes as the server starts listening; a client that connects before it
        // takes connections is refused, so the display is named only once one gets through.
        const std::string name = ":" + number;
        for (int tries = 0; tries < 200; ++tries) {
            if (Display* client = XOpenDisplay(name.c_str())) {
                XCloseDisplay(client);
                name_ = name;
                return;
            }
            usleep(50 * 1000);
        }
    }
    ~VirtualDisplay()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

struct Rgb {
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;
    uint32_t at(int x, int y) const
    {
        const uint8_t* p = &bytes[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
};

Rgb read_png(const std::string& path)
{
    Rgb rgb;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return rgb;
    image.format = PNG_FORMAT_RGB;
    rgb.bytes.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.bytes.data(), 0, nullptr))
        return Rgb();
    rgb.width = static_cast<int>(image.width);
    rgb.height = static_cast<int>(image.height);
    return rgb;
}

Rgb read_window(const std::string& display, unsigned long window)
{
    Rgb rgb;
    Display* x = XOpenDisplay(display.c_str());
    if (!x)
        return rgb;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(x, window, &attributes)) {
        XImage* image = XGetImage(x, window, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image) {
            rgb.width = attributes.width;
            rgb.height = attributes.height;
            for (int py = 0; py < rgb.height; ++py) {
                for (int px = 0; px < rgb.width; ++px) {
                    const unsigned long pixel = XGetPixel(image, px, py);
                    rgb.bytes.push_back(static_cast<uint8_t>((pixel & image->red_mask) >> 16));
                    rgb.bytes.push_back(static_cast<uint8_t>((pixel & image->green_mask) >> 8));
                    rgb.bytes.push_back(static_cast<uint8_t>(pixel & image->blue_mask));
                }
            }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(x);
    return rgb;
}

std::vector<std::string> on(const std::string& display, std::vector<std::string> command)
{
    command.insert(command.begin(), {"env", "DISPLAY=" + display});
    return command;
}

}  // namespace

TEST(TodaysimWindow, ClickExpandsAndTheWindowShowsThePng)
{
    if (run_command({"sh", "-c", "command -v Xvfb && command -v xdotool"}) != 0)
        GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps.sh installs them)";
    VirtualDisplay display;
    ASSERT_FALSE(display.name().empty()) << "Xvfb did not start or took no client within 10 s";
    const std::string png = temp_path("window.png"), trace = temp_path("window.jsonl");
    const int zoom = 2;
    // SDL's connection to D-Bus (for input methods) is never freed by libdbus, so the leak
    // check at exit is off here; the item's own leaks are in the trace's unload event.
    LiveProcess run({TODAYSIM_PATH, "--window", "--zoom", std::to_string(zoom), "--interval", "0.1", "--png", png,
                     "--trace", trace, "--scenario", scenario("two_connections.json")},
                    LiveProcess::Output::Pipe, {"DISPLAY=" + display.name(), "ASAN_OPTIONS=detect_leaks=0"});
    std::string found;
    ASSERT_TRUE(eventually(20, [&] {
        return run_command(on(display.name(), {"xdotool", "search", "--onlyvisible", "--class", "todaysim"}),
                           &found) == 0;
    })) << run.errors();
    const unsigned long window = std::stoul(found.substr(found.rfind('\n', found.size() - 2) + 1));
    std::string title;
    run_command(on(display.name(), {"xdotool", "getwindowname", std::to_string(window)}), &title);
    EXPECT_EQ(title.rfind("todaysim", 0), 0u) << title;

    json box;
    ASSERT_TRUE(eventually(20, [&] {
        ToolRun seen;
        seen.trace = read_trace(trace);
        box = first(seen.last_paint(), {{"ev", "frame"}});
        return !box.is_null();
    }));
    const int x = (box["rect"][0].get<int>() + box["rect"][2].get<int>()) / 2 * zoom + zoom / 2;
    const int y = (box["rect"][1].get<int>() + box["rect"][3].get<int>()) / 2 * zoom + zoom / 2;
    std::string said;
    ASSERT_EQ(run_command(on(display.name(), {"xdotool", "mousemove", "--window", std::to_string(window),
                                              std::to_string(x), std::to_string(y), "click", "1"}),
                          &said),
              0)
        << said;
    // Expanded, and two polls later nothing repaints any more.
    ASSERT_TRUE(eventually(20, [&] {
        const std::vector<json> events = read_trace(trace);
        size_t polls_after = 0;
        bool expanded = false;
        for (const json& event : events) {
            if (event.value("ev", "") == "resize" && event.value("height", 0) > 20)
                expanded = true, polls_after = 0;
            else if (event.value("ev", "") == "poll")
                ++polls_after;
        }
        return expanded && polls_after >= 2;
    })) << run.errors();

    const Rgb picture = read_png(png);
    const Rgb shown = read_window(display.name(), window);
    ASSERT_GT(picture.width, 0);
    ASSERT_EQ(shown.width, picture.width * zoom);
    ASSERT_EQ(shown.height, picture.height * zoom);
    size_t different = 0;
    for (int py = 0; py < shown.height; ++py)
        for (int px = 0; px < shown.width; ++px)
            different += shown.at(px, py) != picture.at(px / zoom, py / zoom);
    EXPECT_EQ(different, 0u);
    EXPECT_NE(access((png + ".part").c_str(), F_OK), 0) << "the temporary picture was renamed";

    // Key down only: the window is gone before a key release could reach it.
    ASSERT_EQ(run_command(on(display.name(), {"xdotool", "keydown", "--window", std::to_string(window), "q"}), &said), 0)
        << said;
    const ToolRun ended = finished_run(run, trace);
    EXPECT_EQ(ended.status, 0) << ended.err;
    expect_clean_unload(ended);
    unlink(png.c_str());
    unlink(trace.c_str());
}

TEST(TodaysimWindow, WithoutADisplayItSaysSoAndExits2)
{
    struct Case {
        std::vector<std::string> env;
        const char* message;
    };
    const Case cases[] = {
        {{"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, "todaysim: --window needs a display"},
        {{"DISPLAY=:987", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "ASAN_OPTIONS=detect_leaks=0"},
         "todaysim: --window cannot open the display :987"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        LiveProcess run({TODAYSIM_PATH, "--window", "--scenario", scenario("two_connections.json")},
                        LiveProcess::Output::Pipe, c.env);
        EXPECT_EQ(run.wait_exit(20), 2);
        EXPECT_EQ(run.errors().rfind(c.message, 0), 0u) << run.errors();
        EXPECT_TRUE(run.output().empty());
    }
}
