// SPDX-License-Identifier: MIT
// The message log fed by the window manager's observer, and the sequence checker.
#include "support/MessageLog.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "platform/todaycmn.h"
#include "sim/coredll/SimUser.h"

namespace {

struct NamedMessage {
    UINT msg;
    const char* name;
};

const NamedMessage kNames[] = {
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
    {TODAYM_GETCOLOR, "TODAYM_GETCOLOR"},
    {TODAYM_DRAWWATERMARK, "TODAYM_DRAWWATERMARK"},
    {TODAYM_TOOKSELECTION, "TODAYM_TOOKSELECTION"},
    {WM_TODAYCUSTOM_CLEARCACHE, "WM_TODAYCUSTOM_CLEARCACHE"},
    {WM_TODAYCUSTOM_QUERYREFRESHCACHE, "WM_TODAYCUSTOM_QUERYREFRESHCACHE"},
    {WM_TODAYCUSTOM_RECEIVEDSELECTION, "WM_TODAYCUSTOM_RECEIVEDSELECTION"},
    {WM_TODAYCUSTOM_LOSTSELECTION, "WM_TODAYCUSTOM_LOSTSELECTION"},
    {WM_TODAYCUSTOM_USERNAVIGATION, "WM_TODAYCUSTOM_USERNAVIGATION"},
    {WM_TODAYCUSTOM_ACTION, "WM_TODAYCUSTOM_ACTION"},
};

const UINT kGeometryMessages[] = {WM_MOVE, WM_SIZE, WM_SHOWWINDOW, WM_WINDOWPOSCHANGING,
                                  WM_WINDOWPOSCHANGED, WM_NCCALCSIZE};

std::string hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

std::string describe_expected(const ExpectedMessage& e)
{
    std::string text = (e.flags & kToHost) ? "host " : "item ";
    text += MessageLog::MessageName(e.msg);
    if (e.flags & kWParam)
        text += " wp=" + hex(e.wp);
    if (e.flags & kLParam)
        text += " lp=" + hex(static_cast<unsigned long long>(e.lp));
    if (e.flags & kResult)
        text += " -> " + std::to_string(e.result);
    if (e.depth >= 0)
        text += " depth " + std::to_string(e.depth);
    if (e.flags & kDefProc)
        text += " [defproc]";
    if (e.flags & kInPaint)
        text += " [in paint]";
    if (e.flags & kOptional)
        text += " (optional)";
    return text;
}

bool matches(const ExpectedMessage& e, const MessageRecord& r)
{
    Role role = (e.flags & kToHost) ? Role::kHost : Role::kItem;
    return r.role == role && r.msg == e.msg && (!(e.flags & kWParam) || r.wParam == e.wp) &&
           (!(e.flags & kLParam) || r.lParam == e.lp) && (!(e.flags & kResult) || r.result == e.result) &&
           (e.depth < 0 || r.depth == e.depth) && (!(e.flags & kDefProc) || r.fromDefProc) &&
           (!(e.flags & kInPaint) || r.fromBeginPaint);
}

}  // namespace

MessageLog::MessageLog(LPCWSTR itemClass) : itemClass(itemClass)
{
    for (UINT msg : kGeometryMessages)
        ignored.insert(msg);
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
        if ((!isHost && !IsItem(call.hwnd)) || ignored.count(call.msg) != 0) {
            open.push_back(-1);
            return;
        }
        open.push_back(static_cast<long>(records.size()));
        records.push_back({isHost ? Role::kHost : Role::kItem, call.hwnd, call.msg, call.wParam, call.lParam, 0,
                           call.depth, false, call.from_def_window_proc, call.from_begin_paint});
    });
}

MessageLog::~MessageLog()
{
    sim::user::remove_message_observer(observerId);
}

bool MessageLog::IsItem(HWND hwnd) const
{
    sim::user::WindowInfo info;
    if (!sim::user::describe_window(hwnd, info) || info.class_name.size() != itemClass.size())
        return false;
    return _wcsicmp(info.class_name.c_str(), itemClass.c_str()) == 0;
}

void MessageLog::Clear()
{
    records.clear();
    // Records of procedures still running cannot be completed any more.
    std::fill(open.begin(), open.end(), -1);
}

std::string MessageLog::MessageName(UINT msg)
{
    for (const NamedMessage& entry : kNames)
        if (entry.msg == msg)
            return entry.name;
    return hex(msg);
}

std::string MessageLog::Describe(const MessageRecord& r)
{
    std::string text(static_cast<size_t>(std::max(r.depth, 0)) * 2, ' ');
    text += r.role == Role::kHost ? "host " : "item ";
    text += MessageName(r.msg) + " wp=" + hex(r.wParam) + " lp=" + hex(static_cast<unsigned long long>(r.lParam));
    text += r.returned ? " -> " + std::to_string(r.result) : " (no return)";
    text += " depth " + std::to_string(r.depth);
    if (r.fromDefProc)
        text += " [defproc]";
    if (r.fromBeginPaint)
        text += " [in paint]";
    return text;
}

::testing::AssertionResult MatchSequence(MessageLog& log, const std::vector<ExpectedMessage>& expectedIn,
                                         const char* context)
{
    std::vector<ExpectedMessage> expected;
    for (const ExpectedMessage& e : expectedIn)
        if (!(e.flags & kWineOnly))
            expected.push_back(e);
    const std::vector<MessageRecord>& actual = log.Records();

    size_t i = 0, j = 0;
    while (i < expected.size() && j < actual.size()) {
        if (matches(expected[i], actual[j])) {
            ++i;
            ++j;
        } else if (expected[i].flags & kOptional) {
            ++i;
        } else {
            break;
        }
    }
    while (i < expected.size() && (expected[i].flags & kOptional) && j == actual.size())
        ++i;
    if (i == expected.size() && j == actual.size()) {
        log.Clear();
        return ::testing::AssertionSuccess();
    }

    std::ostringstream out;
    out << context << ": sequence differs at expected #" << i << " / actual #" << j << "\n";
    size_t rows = std::max(expected.size(), actual.size());
    for (size_t k = 0; k < rows; ++k) {
        std::string left = k < expected.size() ? describe_expected(expected[k]) : "";
        std::string right = k < actual.size() ? MessageLog::Describe(actual[k]) : "";
        left.resize(std::max<size_t>(left.size(), 52), ' ');
        out << (k == i || k == j ? "> " : "  ") << k << ": " << left << " | " << right << "\n";
    }
    log.Clear();
    return ::testing::AssertionFailure() << out.str();
}
