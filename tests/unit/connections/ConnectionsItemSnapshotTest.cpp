// SPDX-License-Identifier: MIT
// CConnectionsItem: the snapshot of destinations and status that each host poll rebuilds.
#include <gtest/gtest.h>

#include "sim/coredll/SimKernel.h"
#include "unit/connections/ItemFixture.h"

namespace {

const HRESULT kMoreRoom = static_cast<HRESULT>(0x8007007A);

class ConnectionsSnapshot : public ItemFixture {
protected:
    BOOL Refresh() { return item->OnQueryRefreshCache(&host->Record()); }

    static cm::Model Connections(std::vector<cm::Connection> connections)
    {
        cm::Model model;
        model.connections = std::move(connections);
        return model;
    }
};

}  // namespace

TEST_F(ConnectionsSnapshot, OnlyConnectedRecordsCount)
{
    Make();
    std::vector<cm::Connection> connections;
    const DWORD kOthers[] = {CONNMGR_STATUS_SUSPENDED, CONNMGR_STATUS_WAITINGCONNECTION,
                             CONNMGR_STATUS_DISCONNECTED, CONNMGR_STATUS_WAITINGDISCONNECTION, 0};
    for (DWORD status : kOthers)
        connections.push_back(WithStatus(Connected(u"not up"), status));
    connections.insert(connections.begin() + 2, Connected(u"up"));
    cm::set_model(Connections(connections));
    Refresh();
    EXPECT_EQ(item->CountConnected(), 1u);
    EXPECT_EQ(item->Initialize(instance, NULL, host->Window(), NULL), (HWND)NULL);
    EXPECT_TRUE(IsWindow(window)) << "a call without a record keeps the window";
}

TEST_F(ConnectionsSnapshot, AManagerThatAsksForNoMoreRoomEndsTheQuery)
{
    Make();
    cm::set_model(Connections({Connected(u"one")}));
    ASSERT_EQ(Refresh(), TRUE);

    // Asking again for no more than the buffer has would loop for ever.
    const seam::Answer kScripts[][2] = {{{kMoreRoom, 1024}, {kMoreRoom, 1024}},
                                        {{kMoreRoom, 512}, {kMoreRoom, 512}},
                                        {{kMoreRoom, 2048}, {kMoreRoom, 2048}}};
    const size_t kCalls[] = {1, 1, 2};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        seam::reset();
        seam::scripted_answers().assign(kScripts[i], kScripts[i] + 2);
        Refresh();
        EXPECT_EQ(seam::query_calls().size(), kCalls[i]);
        EXPECT_EQ(item->CountConnected(), 0u);
        seam::reset();
        Refresh();
        EXPECT_EQ(item->CountConnected(), 1u) << "the next poll recovers";
        ASSERT_FALSE(seam::query_calls().empty());
        EXPECT_EQ(seam::query_calls()[0].sizeIn, 1024u) << "with a new buffer: the old one went with the failure";
    }
    // "No connections" told by writing nothing leaves no record of the last poll current,
    // nor the bytes of a new buffer (after a failure).
    seam::scripted_answers() = {{S_OK, 0}, {E_FAIL, 0}, {S_OK, 0}};
    for (int poll = 0; poll < 3; ++poll) {
        Refresh();
        EXPECT_EQ(item->CountConnected(), 0u);
    }
}

// Enough connections that their records need more than the first 1024 bytes, so the
// sweep also fails the grown buffer.
TEST_F(ConnectionsSnapshot, EveryAllocationFailureOfAPollIsSurvived)
{
    cm::Model model;
    model.destinations = {{cm::kDestInternet, u"The Internet"}, {cm::kDestWork, u"Work"}};
    for (int i = 0; i < 8; ++i)
        model.connections.push_back(Connected(u"A connection with a long description",
                                              {cm::Address::ipv4(10, 0, 0, static_cast<uint8_t>(i))}));
    cm::set_model(model);
    Make();
    unsigned long before = sim::kernel::heap_allocation_count();
    Refresh();
    const unsigned long needed = sim::kernel::heap_allocation_count() - before;
    Forget();

    for (unsigned long n = 1; n <= needed; ++n) {
        SCOPED_TRACE(n);
        Make();
        size_t withItem = sim::kernel::heap_stats().live_blocks;
        sim::kernel::heap_fail_nth(n);
        Refresh();
        sim::kernel::heap_fail_off();
        for (const seam::QueryCall& call : seam::query_calls())
            EXPECT_TRUE(call.buffer != nullptr || call.sizeIn == 0) << "room claimed without a buffer";
        DWORD count = item->CountConnected();
        EXPECT_TRUE(count == 0 || count == 8) << count;

        // Whatever failed, the next poll has the whole snapshot again.
        Refresh();
        EXPECT_EQ(item->CountConnected(), 8u);
        EXPECT_NE(item->FindDestination(cm::kDestWork), nullptr);
        EXPECT_GE(sim::kernel::heap_stats().live_blocks, withItem);
        Forget();
        EXPECT_EQ(sim::kernel::heap_stats().live_blocks, heapBaseline.live_blocks) << "leaked";
    }
}

TEST_F(ConnectionsSnapshot, DestinationsAreFoundByGuid)
{
    const GUID kOther = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    cm::Model model;
    const GUID kLong = {0x0F0F0F0F, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    model.destinations = {{cm::kDestWork, u"Work"}, {cm::kDestInternet, u"First"}, {cm::kDestInternet, u"Second"},
                          {kLong, std::u16string(200, u'L')}};
    cm::set_model(model);
    Make();
    EXPECT_EQ(item->FindDestination(cm::kDestInternet), nullptr) << "no poll yet";
    EXPECT_EQ(Refresh(), FALSE) << "no connection, as before the first poll";
    CONNMGR_DESTINATION_INFO* found = item->FindDestination(cm::kDestInternet);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(std::u16string(found->szDescription), u"First");
    EXPECT_EQ(item->FindDestination(kOther), nullptr);
    // A description that fills its field is cut to 127 units and terminated.
    ASSERT_NE(item->FindDestination(kLong), nullptr);
    EXPECT_EQ(std::u16string(item->FindDestination(kLong)->szDescription), std::u16string(127, u'L'));

    // An enumeration that ends early simply gives a shorter list.
    cm::fail_enumeration_from(1);
    Refresh();
    EXPECT_EQ(item->FindDestination(cm::kDestInternet), nullptr);
    EXPECT_NE(item->FindDestination(cm::kDestWork), nullptr);
}
