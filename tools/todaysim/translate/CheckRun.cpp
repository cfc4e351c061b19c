// SPDX-License-Identifier: MIT
// The check's device runs: the real plug-in in the Today host with the language file beside
// it, on the sample connections and on one connection of every type, at each density.
#include <algorithm>
#include <cstdio>

#include "sim/coredll/Sim.h"
#include "sim/coredll/SimGdi.h"
#include "tools/todaysim/device/Device.h"
#include "tools/todaysim/device/SimRunDevice.h"
#include "tools/todaysim/device/Staging.h"
#include "tools/todaysim/device/Toggle.h"
#include "tools/todaysim/run/StepPlayer.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Utf.h"
#include "tools/todaysim/translate/Check.h"

namespace todaysim::check {
namespace {

// The width of a drawn text in the system font at its height and weight, and what of it
// that face cannot draw.
void measure(Drawn& drawn)
{
    LOGFONTW font{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
    font.lfHeight = drawn.font_height;
    font.lfWeight = drawn.font_weight;
    HDC dc = GetDC(nullptr);
    HFONT made = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, made);
    const std::u16string units = utf16_from_utf8(drawn.text);
    RECT box{0, 0, 0, 0};
    DrawTextW(dc, reinterpret_cast<LPCWSTR>(units.c_str()), static_cast<int>(units.size()), &box, DT_CALCRECT);
    SelectObject(dc, old);
    DeleteObject(made);
    ReleaseDC(nullptr, dc);
    drawn.width = box.right - box.left;
    drawn.missing = sim::gdi::missing_glyphs(font, units);
    drawn.face = sim::gdi::font_file_for(font);
    drawn.face = drawn.face.substr(drawn.face.find_last_of('/') + 1);
}

// Step indices whose last paint is each of the three paints.
constexpr size_t kIdleStep = 0, kSamplesStep = 6, kTypesStep = 9;

std::vector<Step> steps()
{
    auto step = [](StepKind kind) {
        Step s;
        s.kind = kind;
        return s;
    };
    Step poll = step(StepKind::Poll);
    poll.count = 2;
    Step samples = step(StepKind::Connections);
    samples.connections = sample_connections();
    Step types = step(StepKind::Connections);
    types.connections = type_connections();
    Step idle = step(StepKind::Png), collapsed = step(StepKind::Png), expanded = step(StepKind::Png);
    idle.path = "idle";
    collapsed.path = "collapsed";
    expanded.path = "expanded";
    Step toggle = step(StepKind::Tap);
    return {poll, idle, samples, poll, collapsed, toggle, poll, expanded, types, poll};
}

class CheckRun : private StepPlayer {
public:
    CheckRun(DensityRun& result, size_t& misuses) : result_(result), misuses_(misuses) {}
    void go(const std::string& dll, const std::string& file, uint16_t language, TraceWriter* trace);

private:
    void tap(Event event, const Step& step) override;
    void write_picture(const std::string& path) override;
    void collect();

    DensityRun& result_;
    size_t& misuses_;
};

// A tap in the middle of the toggle box the last paint drew.
void CheckRun::tap(Event event, const Step&)
{
    int x = 0, y = 0;
    if (!find_toggle_box(log_.events(), x, y))
        throw run_error("todaysim: the item drew no toggle box for its sample connections");
    log_.add(event);
    tap_item(*host_, item_, log_, x, y);
}

// The item alone, cut from the screen.
void CheckRun::write_picture(const std::string& which)
{
    const Picture screen = screen_picture();
    RECT r = host_->item_rect(item_);
    r.right = std::min<LONG>(r.right, screen.width);
    r.bottom = std::min<LONG>(r.bottom, screen.height);
    Picture item;
    item.width = std::max<LONG>(0, r.right - r.left);
    item.height = std::max<LONG>(0, r.bottom - r.top);
    for (int y = 0; y < item.height; ++y) {
        const auto row = screen.rgb.begin() + (static_cast<size_t>(r.top + y) * screen.width + r.left) * 3;
        item.rgb.insert(item.rgb.end(), row, row + static_cast<size_t>(item.width) * 3);
    }
    (which == "idle" ? result_.idle : which == "collapsed" ? result_.collapsed : result_.expanded) = std::move(item);
}

// The texts of the last paint of each marked step, with their widths and room.
void CheckRun::collect()
{
    const size_t marks[] = {kIdleStep, kSamplesStep, kTypesStep};
    result_.paints.assign(kPaintKinds, {});
    const std::vector<Event>& events = log_.events();
    for (size_t p = 0; p < kPaintKinds; ++p) {
        std::vector<Drawn>& paint = result_.paints[p];
        long box_left = -1, header_left = 0;
        bool inside = false;
        for (const Event& event : events) {
            const std::string ev = event.value("ev", "");
            if (ev == "step")
                inside = event.value("index", size_t{99}) == marks[p];
            if (!inside)
                continue;
            if (ev == "paint") {
                paint.clear();
                box_left = -1;
            } else if (ev == "frame") {
                box_left = rect_at(event["rect"], 0);
            } else if (ev == "text") {
                Drawn drawn;
                drawn.text = event.value("text", "");
                drawn.font_height = event["font"].value("height", 0L);
                drawn.font_weight = event["font"].value("weight", 0L);
                measure(drawn);
                drawn.left = rect_at(event["rect"], 0);
                drawn.top = rect_at(event["rect"], 1);
                drawn.right = rect_at(event["rect"], 2);
                drawn.bottom = rect_at(event["rect"], 3);
                drawn.room = static_cast<int>(drawn.right - drawn.left);
                if (paint.empty())
                    header_left = rect_at(event["rect"], 0);
                paint.push_back(drawn);
            }
        }
        // The header runs under the toggle box, which is drawn over it.
        if (box_left >= 0 && !paint.empty())
            paint.front().room = static_cast<int>(box_left - header_left);
    }
}

void CheckRun::go(const std::string& dll, const std::string& file, uint16_t language, TraceWriter* trace)
{
    const size_t slash = dll.find_last_of('/');
    const std::string base = dll.substr(slash == std::string::npos ? 0 : slash + 1);
    char name[16];
    std::snprintf(name, sizeof name, ".%04X.intl", language);
    const std::string staged = base.substr(0, base.rfind('.')) + name;
    Staging staging(dll, {{staged, file}});
    log_.set_trace(trace);

    Device device;
    device.dpi_x = device.dpi_y = result_.density.dpi;
    device.font_size = result_.density.font_size;
    device.language = language;
    device.screen_width = 240 * device.dpi_x / 96;
    device.screen_height = 320 * device.dpi_y / 96;
    configure_device(device);
    Scenario scenario;
    scenario.file = file;
    scenario.destinations = sample_destinations();
    scenario.has_steps = true;
    scenario.steps = steps();
    Sequence sequence;
    sequence.dll = dll;
    sequence.staged = staging.dll();
    sequence.scenario = &scenario;
    sequence.after_steps = [this] { collect(); };
    SimRunDevice sim_device;
    const std::vector<std::string> leftovers = run_sequence(sim_device, sequence);
    misuses_ += violations_ + report_leftovers(leftovers);
    log_.set_trace(nullptr);
}

}  // namespace

std::vector<DensityRun> draw_with(const std::string& dll, const std::string& file, uint16_t language,
                                  TraceWriter* trace, size_t& misuses)
{
    std::vector<DensityRun> runs;
    for (const Density& density : densities()) {
        runs.emplace_back();
        runs.back().density = density;
        CheckRun(runs.back(), misuses).go(dll, file, language, trace);
        sim::reset_for_tests();
    }
    return runs;
}

}  // namespace todaysim::check
