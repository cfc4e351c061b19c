// SPDX-License-Identifier: MIT
// CIntlEmptySection: the static section of defaults.
#include "intl/IntlEmptySection.h"

namespace {

// Built before any entry point runs and destroyed after the last one, with the library.
CIntlEmptySection theEmptySection;

}  // namespace

const WCHAR* CIntlEmptySection::GetText(int, const WCHAR* defaultText)
{
    return defaultText;
}

CIntlSection* CIntlEmptySection::Get()
{
    return &theEmptySection;
}
