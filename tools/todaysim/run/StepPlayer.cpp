// SPDX-License-Identifier: MIT
// The steps of a run in the Today host, the same on the simulated device and on Win32.
#include "tools/todaysim/run/StepPlayer.h"

#include <cstdio>

#include "sim/cellcore/SimConnMgr.h"
#include "tools/todaysim/device/Toggle.h"
#include "tools/todaysim/scenario/Failure.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim {
namespace {

// Poll; open the detail block if a toggle box is shown; poll twice so the host learns the
// new height and the item is painted at it.
std::vector<Step> default_script()
{
    Step poll;
    Step toggle;
    toggle.kind = StepKind::Tap;
    toggle.x = toggle.y = -1;
    return {poll, toggle, poll, poll};
}

}  // namespace

void set_connections(const std::vector<Destination>& destinations, const std::vector<Connection>& connections)
{
    sim::cellcore::Model model;
    for (const Destination& d : destinations) {
        sim::cellcore::Destination destination;
        destination.guid = d.guid;
        destination.description = utf16_from_utf8(d.description);
        model.destinations.push_back(destination);
    }
    for (const Connection& c : connections) {
        sim::cellcore::Connection connection;
        if (c.description)
            connection.description = utf16_from_utf8(*c.description);
        connection.type = c.type;
        connection.subtype = c.subtype;
        connection.status = c.status;
        connection.destination = c.destination;
        for (const Address& a : c.addresses)
            connection.addresses.push_back(a.ipv6 ? sim::cellcore::Address::ipv6(a.bytes)
                                                  : sim::cellcore::Address::ipv4(a.bytes[0], a.bytes[1], a.bytes[2], a.bytes[3]));
        model.connections.push_back(connection);
    }
    sim::cellcore::set_model(std::move(model));
}

size_t use_live_connections()
{
    sim::cellcore::use_live_backend();
    return sim::cellcore::current_model().connections.size();
}

void StepPlayer::start_connections(const Scenario& scenario)
{
    destinations_ = scenario.destinations;
    connections_ = scenario.connections;
    if (scenario.file.empty())
        use_live_connections();
    else
        set_connections(destinations_, connections_);
}

void StepPlayer::log_load(const std::string& dll, bool window)
{
    Event loaded = make_event("load");
    loaded["dll"] = dll;
    loaded["window"] = window;
    loaded["cyp"] = host_->record(item_) ? host_->record(item_)->cyp : 0;
    log_.add(loaded);
}

void StepPlayer::play_steps(const Scenario& scenario)
{
    const std::vector<Step> steps = scenario.has_steps ? scenario.steps : default_script();
    for (size_t i = 0; i < steps.size(); ++i) {
        play(i, steps[i]);
        check_violations();
    }
}

void StepPlayer::play(size_t index, const Step& step)
{
    Event event = make_event("step");
    event["index"] = index;
    event["step"] = step_name(step.kind);
    switch (step.kind) {
    case StepKind::Poll:
        event["count"] = step.count;
        log_.add(event);
        for (int i = 0; i < step.count; ++i)
            host_->poll();
        return;
    case StepKind::Tap:
        tap(std::move(event), step);
        return;
    case StepKind::Action:
        log_.add(event);
        // The Today host sends the action key to the selected item only.
        if (!host_->action())
            log_.add(Event{{"ev", "note"}, {"text", "action key: no item holds the selection"}});
        return;
    case StepKind::Select:
        log_.add(event);
        host_->select(item_);
        return;
    case StepKind::Deselect:
        log_.add(event);
        host_->deselect();
        return;
    case StepKind::Connections:
    case StepKind::Destinations:
        if (step.kind == StepKind::Connections)
            connections_ = step.connections;
        else
            destinations_ = step.destinations;
        event["count"] = step.kind == StepKind::Connections ? connections_.size() : destinations_.size();
        log_.add(event);
        set_connections(destinations_, connections_);
        return;
    case StepKind::QueryFails: {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(step.hresult.value_or(0)));
        event["result"] = step.hresult ? Event(code) : Event(nullptr);
        log_.add(event);
        if (step.hresult)
            sim::cellcore::fail_queries(static_cast<HRESULT>(*step.hresult));
        else
            sim::cellcore::stop_failing_queries();
        return;
    }
    case StepKind::EnumFailsAt:
        event["from"] = step.enum_index ? Event(*step.enum_index) : Event(nullptr);
        log_.add(event);
        if (step.enum_index)
            sim::cellcore::fail_enumeration_from(*step.enum_index);
        else
            sim::cellcore::stop_failing_enumeration();
        return;
    case StepKind::GdiFailsFrom:
    case StepKind::HeapFailsFrom:
        event["from"] = step.fails_from ? Event(*step.fails_from) : Event(nullptr);
        log_.add(event);
        device_->run_short(step);
        return;
    case StepKind::Png:
        event["path"] = step.path;
        log_.add(event);
        write_picture(step.path);
        return;
    }
}

std::vector<std::string> StepPlayer::run_sequence(RunDevice& device, const Sequence& sequence)
{
    device_ = &device;
    start_connections(*sequence.scenario);
    sim::today::Host& host = device.start(log_);
    host_ = &host;
    check_violations();
    if (DWORD error = device.load(sequence.staged, item_)) {
        // The loader names the staged copy, a temporary path the user never gave.
        std::string why = device.load_error();
        for (size_t at = why.find(sequence.staged); !sequence.staged.empty() && at != std::string::npos;
             at = why.find(sequence.staged, at + sequence.dll.size()))
            why.replace(at, sequence.staged.size(), sequence.dll);
        throw run_error("todaysim: cannot load " + sequence.dll + " (error " + std::to_string(error) + ")" +
                        (why.empty() ? "" : ": " + why));
    }
    log_load(sequence.dll, device.item_window());
    check_violations();
    play_steps(*sequence.scenario);
    if (sequence.after_steps)
        sequence.after_steps();

    std::vector<std::string> leftovers = host.unload(item_);
    Event unload = make_event("unload");
    unload["leaks"] = device.leaks();
    log_.add(unload);
    check_violations();
    return leftovers;
}

void StepPlayer::check_violations()
{
    for (const std::string& violation : device_->violations()) {
        std::fprintf(stderr, "todaysim: device violation: %s\n", violation.c_str());
        ++violations_;
    }
}

void StepPlayer::tap(Event event, const Step& step)
{
    int x = step.x, y = step.y;
    if (x < 0 && !find_toggle_box(log_.events(), x, y)) {
        event["skipped"] = "no toggle box shown";
        log_.add(event);
        return;
    }
    event["x"] = x;
    event["y"] = y;
    log_.add(event);
    tap_item(*host_, item_, log_, x, y);
}

void StepPlayer::write_picture(const std::string& path)
{
    write_png(path, device_->picture());
}

size_t StepPlayer::report_leftovers(const std::vector<std::string>& leftovers)
{
    for (const std::string& leftover : leftovers)
        std::fprintf(stderr, "todaysim: left behind at unload: %s\n", leftover.c_str());
    return leftovers.size();
}

int StepPlayer::finish(const std::vector<std::string>& leftovers) const
{
    report_leftovers(leftovers);
    if (violations_ || !leftovers.empty()) {
        std::fprintf(stderr, "todaysim: the plug-in %s\n",
                     violations_ ? "misused the simulated device" : "did not clean up at unload");
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace todaysim
