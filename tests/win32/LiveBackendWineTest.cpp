// SPDX-License-Identifier: MIT
// The live Connection Manager on Win32: this machine's adapters, as Wine reports them, come
// out of the same record chain the plug-in reads.
#include <gtest/gtest.h>

#include <vector>

#include "platform/connmgr.h"
#include "sim/cellcore/SimConnMgr.h"

TEST(WineLiveConnections, AdaptersBecomeConnectionsInTheStatusChain)
{
    sim::cellcore::use_live_backend();
    const sim::cellcore::Model model = sim::cellcore::current_model();
    ASSERT_EQ(model.destinations.size(), 2u);
    EXPECT_EQ(model.destinations[0].description, u"The Internet");

    size_t connected = 0;
    for (const sim::cellcore::Connection& c : model.connections) {
        ASSERT_TRUE(c.description.has_value());
        SCOPED_TRACE(std::string(c.description->begin(), c.description->end()));
        // The loopback adapter is the machine talking to itself, not a connection.
        EXPECT_NE(*c.description, u"lo");
        EXPECT_LT(c.type, DWORD(CM_CONNTYPE_MAX));
        EXPECT_TRUE(c.status == CONNMGR_STATUS_CONNECTED || c.status == CONNMGR_STATUS_DISCONNECTED);
        EXPECT_LE(c.addresses.size(), 1u);
        connected += c.status == CONNMGR_STATUS_CONNECTED;
    }

    // The chain the plug-in reads holds the same connections.
    DWORD size = 0;
    HRESULT sized = ConnMgrQueryDetailedStatus(nullptr, &size);
    size_t chained = 0, chainedConnected = 0;
    if (!model.connections.empty()) {
        ASSERT_EQ(sized, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
        std::vector<CONNMGR_CONNECTION_DETAILED_STATUS> buffer(size / sizeof(CONNMGR_CONNECTION_DETAILED_STATUS) + 1);
        ASSERT_EQ(ConnMgrQueryDetailedStatus(buffer.data(), &size), S_OK);
        for (const auto* record = buffer.data(); record; record = record->pNext) {
            ++chained;
            chainedConnected += record->dwConnectionStatus == CONNMGR_STATUS_CONNECTED;
        }
    }
    EXPECT_EQ(chained, model.connections.size());
    EXPECT_EQ(chainedConnected, connected);
    sim::cellcore::reset();
}
