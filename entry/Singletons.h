// SPDX-License-Identifier: MIT
// The library's process-wide state: its module handle, the language table and the one item.
#ifndef LINKORY_ENTRY_SINGLETONS_H
#define LINKORY_ENTRY_SINGLETONS_H

#include "platform/win32.h"

class CConnectionsItem;
class CIntlTable;

// Created by the first InitializeCustomItem of a load, reused by later ones, and deleted at
// unload, item first. Touched only on the Today host's thread.
struct Singletons {
    static HINSTANCE module;
    static CIntlTable* table;
    static CConnectionsItem* item;

    // Creates and loads the table, and creates the item, where they do not exist yet.
    // A table that cannot be created is tried again next time; the item may stay null.
    static void Create();
    // Deletes the item (and with it its window), then the table.
    static void Release();
};

#endif
