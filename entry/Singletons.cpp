// SPDX-License-Identifier: MIT
// The library's process-wide state.
#include "entry/Singletons.h"

#include <new>

#include "connections/ConnectionsItem.h"
#include "intl/IntlTable.h"

HINSTANCE Singletons::module = NULL;
CIntlTable* Singletons::table = NULL;
CConnectionsItem* Singletons::item = NULL;

void Singletons::Create()
{
    if (!table) {
        table = new (std::nothrow) CIntlTable();  // LCOV_EXCL_BR_LINE: no constructor throws
        // Language 0 is the user's language at this moment; the file is read once per load,
        // and without one every text keeps its built-in default.
        if (table)
            table->Load(module, 0);
    }
    if (!item)
        item = new (std::nothrow) CConnectionsItem();  // LCOV_EXCL_BR_LINE: no constructor throws
}

void Singletons::Release()
{
    delete item;
    item = NULL;
    delete table;
    table = NULL;
}
