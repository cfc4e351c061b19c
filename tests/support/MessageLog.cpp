// SPDX-License-Identifier: MIT
// The message log fed by the window manager's observer, and the sequence checker.
#include "support/MessageLog.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "platform/todaycmn.h"
#include "sim/coredll/SimUser.h"

namespace {

#define NAMED(msg) {msg, #msg}
const struct {
    UINT msg;
    const char* name;
} kNames[] = {
    NAMED(WM_CREATE), NAMED(WM_DESTROY), NAMED(WM_NCDESTROY), NAMED(WM_PAINT), NAMED(WM_ERASEBKGND),
    NAMED(WM_LBUTTONDOWN), NAMED(WM_LBUTTONUP), NAMED(TODAYM_GETCOLOR), NAMED(TODAYM_DRAWWATERMARK),
    NAMED(TODAYM_TOOKSELECTION), NAMED(WM_TODAYCUSTOM_CLEARCACHE), NAMED(WM_TODAYCUSTOM_QUERYREFRESHCACHE),
    NAMED(WM_TODAYCUSTOM_RECEIVEDSELECTION), NAMED(WM_TODAYCUSTOM_LOSTSELECTION), NAMED(WM_TODAYCUSTOM_ACTION),
};
#undef NAMED

// Their arrival depends on the window manager rather than on the protocol.
const UINT kGeometryMessages[] = {WM_MOVE, WM_SIZE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED};

std::string hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

std::string name_of(UINT msg)
{
    for (const auto& entry : kNames)
        if (entry.msg == msg)
            return entry.name;
    return hex(msg);
}

std::string describe_expected(const ExpectedMessage& e)
{
    std::string text = ((e.flags & kToHost) ? "host " : "item ") + name_of(e.msg);
    if (e.flags & kWParam)
        text += " wp=" + hex(e.wp);
    if (e.flags & kLParam)
        text += " lp=" + hex(static_cast<unsigned long long>(e.lp));
    if (e.flags & kResult)
        text += " -> " + std::to_string(e.result);
    if (e.depth >= 0)
        text += " depth " + std::to_string(e.depth);
    return text + ((e.flags & kInPaint) ? " [in paint]" : "");
}

bool matches(const ExpectedMessage& e, const MessageRecord& r)
{
    Role role = (e.flags & kToHost) ? Role::kHost : Role::kItem;
    return r.role == role && r.msg == e.msg && (!(e.flags & kWParam) || r.wParam == e.wp) &&
           (!(e.flags & kLParam) || r.lParam == e.lp) && (!(e.flags & kResult) || r.result == e.result) &&
           (e.depth < 0 || r.depth == e.depth) && (!(e.flags & kInPaint) || r.fromBeginPaint);
}

std::string describe(const MessageRecord& r)
{
    std::string text(static_cast<size_t>(std::max(r.depth, 0)) * 2, ' ');
    text += (r.role == Role::kHost ? "host " : "item ") + name_of(r.msg) + " wp=" + hex(r.wParam) +
            " lp=" + hex(static_cast<unsigned long long>(r.lParam));
    text += r.returned ? " -> " + std::to_string(r.result) : " (no return)";
    text += " depth " + std::to_string(r.depth);
    return text + (r.fromDefProc ? " [defproc]" : "") + (r.fromBeginPaint ? " [in paint]" : "");
}

}  // namespace

MessageLog::MessageLog(LPCWSTR itemClass) : itemClass(itemClass)
{
    observerId = sim::user::add_message_observer([this](const sim::user::MessageCall& call) {
        if (call.exit) {
            if (open.empty())
                return;
            long index = open.back();
            open.pop_back();
            if (index >= 0 && static_cast<size_t>(index) < records.size()) {
                records[index].result = call.result;
                records[index].returned = true;
            }
            return;
        }
        bool isHost = host != NULL && call.hwnd == host;
        if ((!isHost && !IsItem(call.hwnd)) ||
            std::find(std::begin(kGeometryMessages), std::end(kGeometryMessages), call.msg) !=
                std::end(kGeometryMessages)) {
            open.push_back(-1);
            return;
        }
        open.push_back(static_cast<long>(records.size()));
        records.push_back({isHost ? Role::kHost : Role::kItem, call.msg, call.wParam, call.lParam, 0, call.depth, false,
                           call.from_def_window_proc, call.from_begin_paint});
    });
}

MessageLog::~MessageLog()
{
    sim::user::remove_message_observer(observerId);
}

bool MessageLog::IsItem(HWND hwnd) const
{
    sim::user::WindowInfo info;
    return sim::user::describe_window(hwnd, info) && info.class_name.size() == itemClass.size() &&
           _wcsicmp(info.class_name.c_str(), itemClass.c_str()) == 0;
}

void MessageLog::Clear()
{
    records.clear();
    // Records of procedures still running cannot be completed any more.
    std::fill(open.begin(), open.end(), -1);
}

::testing::AssertionResult MatchSequence(MessageLog& log, const std::vector<ExpectedMessage>& expected,
                                         const char* context)
{
    const std::vector<MessageRecord>& actual = log.Records();
    size_t i = 0;
    while (i < expected.size() && i < actual.size() && matches(expected[i], actual[i]))
        ++i;
    if (i == expected.size() && i == actual.size()) {
        log.Clear();
        return ::testing::AssertionSuccess();
    }
    std::ostringstream out;
    out << context << ": sequence differs at #" << i << "\n";
    for (size_t k = 0; k < std::max(expected.size(), actual.size()); ++k) {
        std::string left = k < expected.size() ? describe_expected(expected[k]) : "";
        left.resize(std::max<size_t>(left.size(), 52), ' ');
        out << (k == i ? "> " : "  ") << k << ": " << left << " | "
            << (k < actual.size() ? describe(actual[k]) : "") << "\n";
    }
    log.Clear();
    return ::testing::AssertionFailure() << out.str();
}
