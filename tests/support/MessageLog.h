// SPDX-License-Identifier: MIT
// One ordered log of the messages an item window and its host received, and its checker.
//
// The log listens to the simulated window manager's observer, so it sees every message a
// watched window receives, the ones the item's object never gets included, with its
// nesting depth, its result and whether BeginPaint sent it;
// moves, sizes and showing are left out, as they depend on the window manager, not the protocol.
// Expected sequences are tables of ExpectedMessage; EXPECT_SEQUENCE compares and, on a
// mismatch, prints a numbered expected/actual listing. Either way it clears the log.
#ifndef LINKORY_TESTS_SUPPORT_MESSAGELOG_H
#define LINKORY_TESTS_SUPPORT_MESSAGELOG_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"

enum class Role { kItem, kHost };

// What an expected entry checks besides the message code.
enum ExpectFlags : unsigned {
    kToHost = 1u << 0,     // received by the host window, not the item
    kWParam = 1u << 1,     // compare wParam
    kLParam = 1u << 2,     // compare lParam
    kResult = 1u << 3,     // compare what the window procedure returned
    kInPaint = 1u << 4,    // sent by BeginPaint (or else not)
};

struct ExpectedMessage {
    UINT msg;
    unsigned flags = 0;
    WPARAM wp = 0;
    LPARAM lp = 0;
    LRESULT result = 0;
    int depth = -1;  // checked when not negative
};

struct MessageRecord {
    Role role;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;  // filled in when the procedure returns
    int depth;
    bool returned;
    bool fromDefProc;
    bool fromBeginPaint;
};

class MessageLog {
public:
    // Starts listening; windows of itemClass are logged as the item.
    explicit MessageLog(LPCWSTR itemClass = TEXT("CBasicWndClass"));
    ~MessageLog();

    // Logs every message hwnd receives as the host.
    void WatchHost(HWND hwnd) { host = hwnd; }

    const std::vector<MessageRecord>& Records() const { return records; }
    void Clear();

private:
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    bool IsItem(HWND hwnd) const;

    std::u16string itemClass;
    HWND host = NULL;
    std::vector<MessageRecord> records;
    std::vector<long> open;  // per running procedure call: its record, or -1 if not logged
    int observerId = -1;
};

// Compares the log with the expected table, then clears the log.
::testing::AssertionResult MatchSequence(MessageLog& log, const std::vector<ExpectedMessage>& expected,
                                         const char* context);

#define EXPECT_SEQUENCE(log, table, context) EXPECT_TRUE(MatchSequence((log), (table), (context)))

#endif  // LINKORY_TESTS_SUPPORT_MESSAGELOG_H
