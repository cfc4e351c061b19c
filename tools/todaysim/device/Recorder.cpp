// SPDX-License-Identifier: MIT
// The recorder: the device's observers feed the run's events.
#include "tools/todaysim/device/Recorder.h"

#include <cstdio>

#include "platform/todaycmn.h"
#include "sim/common/Violations.h"
#include "sim/coredll/SimGdi.h"
#include "sim/coredll/SimUser.h"
#include "sim/today/Requests.h"
#include "tools/todaysim/scenario/Utf.h"

namespace todaysim {
namespace {

struct MessageName {
    UINT msg;
    const char* name;
};

const MessageName kMessageNames[] = {
    {WM_CREATE, "WM_CREATE"},
    {WM_DESTROY, "WM_DESTROY"},
    {WM_MOVE, "WM_MOVE"},
    {WM_SIZE, "WM_SIZE"},
    {WM_PAINT, "WM_PAINT"},
    {WM_ERASEBKGND, "WM_ERASEBKGND"},
    {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
    {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
    {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
    {WM_NCCREATE, "WM_NCCREATE"},
    {WM_NCDESTROY, "WM_NCDESTROY"},
    {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
    {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    {WM_LBUTTONUP, "WM_LBUTTONUP"},
    {WM_TODAYCUSTOM_CLEARCACHE, "WM_TODAYCUSTOM_CLEARCACHE"},
    {WM_TODAYCUSTOM_QUERYREFRESHCACHE, "WM_TODAYCUSTOM_QUERYREFRESHCACHE"},
    {WM_TODAYCUSTOM_RECEIVEDSELECTION, "WM_TODAYCUSTOM_RECEIVEDSELECTION"},
    {WM_TODAYCUSTOM_LOSTSELECTION, "WM_TODAYCUSTOM_LOSTSELECTION"},
    {WM_TODAYCUSTOM_USERNAVIGATION, "WM_TODAYCUSTOM_USERNAVIGATION"},
    {WM_TODAYCUSTOM_ACTION, "WM_TODAYCUSTOM_ACTION"},
};

}  // namespace

std::string message_name(UINT msg)
{
    if (const char* request = sim::today::request_name(msg))
        return request;
    for (const MessageName& entry : kMessageNames)
        if (entry.msg == msg)
            return entry.name;
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", msg);
    return text;
}

Recorder::Recorder(EventLog& log, HWND host) : log_(log), host_(host)
{
    message_observer_ = sim::user::add_message_observer([this](const sim::user::MessageCall& call) { on_message(call); });
    gdi_subscriber_ = sim::gdi::subscribe([this](const sim::gdi::GdiCall& call) { on_gdi(call); });
}

Recorder::~Recorder()
{
    sim::user::remove_message_observer(message_observer_);
    sim::gdi::unsubscribe(gdi_subscriber_);
}

void Recorder::on_message(const sim::user::MessageCall& call)
{
    if (!item_ && !call.exit && call.msg == WM_CREATE) {
        sim::user::WindowInfo info{};
        if (sim::user::describe_window(call.hwnd, info) && info.parent == host_) {
            item_ = call.hwnd;
            width_ = info.window_rect.right - info.window_rect.left;
            height_ = info.window_rect.bottom - info.window_rect.top;
        }
    }
    if (call.hwnd == host_ && sim::today::request_name(call.msg)) {
        if (call.exit)
            return;
        Event request = make_event("request");
        request["message"] = message_name(call.msg);
        log_.add(request);
        if (call.msg == TODAYM_DRAWWATERMARK && call.lParam) {
            const auto* info = reinterpret_cast<const TODAYDRAWWATERMARKINFO*>(call.lParam);
            Event watermark = make_event("watermark");
            watermark["rect"] = rect_json(info->rc);
            log_.add(watermark);
        }
        return;
    }
    if (!item_ || call.hwnd != item_)
        return;
    if (!call.exit) {
        // The item answers WM_WINDOWPOSCHANGED itself (no WM_SIZE follows), so the new size
        // is read from the record, announced before the paint that shows it.
        if (call.msg == WM_WINDOWPOSCHANGED && call.lParam) {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(call.lParam);
            if (!(pos->flags & SWP_NOSIZE) && (pos->cx != width_ || pos->cy != height_)) {
                width_ = pos->cx;
                height_ = pos->cy;
                Event resize = make_event("resize");
                resize["width"] = width_;
                resize["height"] = height_;
                log_.add(resize);
            }
        }
        if (call.msg == WM_PAINT) {
            sim::user::WindowInfo info{};
            sim::user::describe_window(item_, info);
            Event paint = make_event("paint");
            paint["rect"] = rect_json(0, 0, info.window_rect.right - info.window_rect.left,
                                      info.window_rect.bottom - info.window_rect.top);
            log_.add(paint);
        }
        return;
    }
    switch (call.msg) {
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: {
        Event poll = make_event("poll");
        poll["answer"] = static_cast<long>(call.result);
        if (call.wParam)
            poll["cyp"] = reinterpret_cast<const TODAYLISTITEM*>(call.wParam)->cyp;
        log_.add(poll);
        break;
    }
    case WM_TODAYCUSTOM_RECEIVEDSELECTION:
    case WM_TODAYCUSTOM_LOSTSELECTION: {
        Event selection = make_event("selection");
        selection["selected"] = call.msg == WM_TODAYCUSTOM_RECEIVEDSELECTION && call.result != 0;
        log_.add(selection);
        break;
    }
    default:
        break;
    }
}

void Recorder::on_gdi(const sim::gdi::GdiCall& call)
{
    if (!item_ || call.owner != item_)
        return;
    const std::string api = call.api;
    Event event;
    if (api == "DrawTextW") {
        event = make_event("text");
        event["text"] = utf8_from_utf16(call.text.data(), call.text.size());
        event["rect"] = rect_json(call.rect);
        event["font"] = Event{{"height", call.font_height}, {"weight", call.font_weight}};
        event["color"] = color_text(call.color);
    } else if (api == "DrawIconEx") {
        event = make_event("icon");
        event["resource"] = call.icon_id;
        event["x"] = call.rect.left;
        event["y"] = call.rect.top;
        event["width"] = call.cx;
        event["height"] = call.cy;
    } else if (api == "DrawFrameControl") {
        event = make_event("frame");
        event["rect"] = rect_json(call.rect);
        event["type"] = call.frame_type;
        event["state"] = call.frame_state;
    } else if (api == "FillRect") {
        event = make_event("fill");
        event["rect"] = rect_json(call.rect);
        if (call.null_brush)
            event["color"] = nullptr;
        else
            event["color"] = color_text(call.color);
    } else {
        // Every other call on the item's contexts, so the trace holds all of them.
        event = make_event("gdi");
        event["api"] = api;
        if (call.object_kind && *call.object_kind)
            event["object"] = call.object_kind;
        if (api == "SetTextColor" || api == "SetBkColor")
            event["color"] = color_text(api == "SetBkColor" ? call.bk_color : call.color);
        if (api == "SetBkMode")
            event["mode"] = call.bk_mode;
        if (std::string(call.object_kind ? call.object_kind : "") == "font")
            event["font"] = Event{{"height", call.font_height}, {"weight", call.font_weight}};
        // Handles differ from run to run; leaving them out keeps traces comparable.
        if (api != "SelectObject")
            event["result"] = call.result;
    }
    log_.add(event);
}

std::vector<std::string> Recorder::collect_violations()
{
    std::vector<std::string> violations = sim::take_violations();
    for (const std::string& text : violations)
        log_.add(violation_event(text));
    return violations;
}

}  // namespace todaysim
