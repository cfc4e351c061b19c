// SPDX-License-Identifier: MIT
// Every text the plug-in asks its language file for: section, number and built-in English
// text, and the connection types and subtypes that lead to each "ConnType" number.
#ifndef LINKORY_TOOLS_TODAYSIM_VOCABULARY_H
#define LINKORY_TOOLS_TODAYSIM_VOCABULARY_H

#include <cstdint>
#include <string>
#include <vector>

namespace todaysim::vocabulary {

extern const char16_t kMain[];      // u"Main"
extern const char16_t kConnType[];  // u"ConnType"

struct Text {
    const char16_t* section;
    int number;
    const char16_t* english;
};

// In file order: "Main" 1 to 7, then "ConnType" 100 to 800.
const std::vector<Text>& texts();
// The built-in text of a number the plug-in asks for, or null.
const Text* find(const std::u16string& section, int number);

// A type with subtype 0 is the type's own row; the unknown type's row is the last.
struct TypeRow {
    uint32_t type;
    uint32_t subtype;
    int number;
};
const std::vector<TypeRow>& type_rows();
constexpr int kUnknownType = 800;
constexpr uint32_t kUnknownTypeCode = 9;  // any code outside 1 to 7 names the unknown type

// ASCII case-insensitive equality, as section names are found.
bool same_name(const std::u16string& a, const std::u16string& b);

}  // namespace todaysim::vocabulary

#endif
