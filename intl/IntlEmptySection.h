// SPDX-License-Identifier: MIT
// CIntlEmptySection: the section that answers for one a language file does not have.
#ifndef LINKORY_INTL_INTLEMPTYSECTION_H
#define LINKORY_INTL_INTLEMPTYSECTION_H

#include "intl/IntlSection.h"

// Every text is the caller's default. One static instance lives as long as the library;
// it belongs to no table and is never deleted through a pointer.
class CIntlEmptySection : public CIntlSection {
public:
    const WCHAR* GetText(int id, const WCHAR* defaultText) LINKORY_OVERRIDE;

    // The one instance.
    static CIntlSection* Get();
};

#endif
