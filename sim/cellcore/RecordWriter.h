// SPDX-License-Identifier: MIT
// Lays the detailed-status record chain of a set of connections out in one caller buffer.
#ifndef LINKORY_SIM_CELLCORE_RECORDWRITER_H
#define LINKORY_SIM_CELLCORE_RECORDWRITER_H

#include <cstddef>
#include <vector>

#include "sim/cellcore/SimConnMgr.h"

namespace sim::cellcore {

// Records hold pointers, so the buffer must be aligned the way the host aligns them.
constexpr size_t kChainAlignment = alignof(CONNMGR_CONNECTION_DETAILED_STATUS);

// Exact number of bytes write_chain needs for these connections; 0 when there are none.
// The same connections always give the same size.
size_t chain_size(const std::vector<Connection>& connections);

// Writes the records, their strings and address records into buffer, which must be
// kChainAlignment-aligned and hold chain_size(connections) bytes. Every pointer written
// points inside the buffer; the last record's pNext is null.
void write_chain(const std::vector<Connection>& connections, void* buffer);

}  // namespace sim::cellcore

#endif
