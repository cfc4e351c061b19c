// SPDX-License-Identifier: MIT
// The device the sweeps and the soak run on: connections, destinations, a German language
// file, and the texts the item must show for them in either language.
#ifndef LINKORY_TESTS_RELIABILITY_STORY_H
#define LINKORY_TESTS_RELIABILITY_STORY_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/cellcore/SimConnMgr.h"

namespace reliability {

// Three connected connections (one without description or address) and one that is not,
// leading to two destinations. The chain needs more than the first 1024-byte buffer.
sim::cellcore::Model ThreeConnected();

// The language file with every "Main" text and some type names in German.
std::u16string GermanFile();

enum class Language { English, German };

// The texts of an expanded paint of ThreeConnected(), header first.
std::vector<std::u16string> ExpandedTexts(Language language);
// The one text of a paint that sees no connection.
std::u16string NoConnectionText(Language language);
// Which language a paint's texts are in (by the first text), English when unsure.
Language LanguageOf(const std::vector<std::u16string>& texts);

// Whether `texts` are an expanded paint of ThreeConnected() in `language`. With `degraded`,
// what a poll that ran out of memory may leave is accepted too: no connection at all, or
// blocks whose destination is unknown because the destination list was cut short.
::testing::AssertionResult ShowsThreeConnected(const std::vector<std::u16string>& texts, Language language,
                                               bool degraded);

}  // namespace reliability

#endif
