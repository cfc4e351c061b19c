// SPDX-License-Identifier: MIT
// Language files as a translator makes them, in a temporary folder, and table dumps.
#ifndef LINKORY_TESTS_UNIT_INTL_LANGUAGEFILES_H
#define LINKORY_TESTS_UNIT_INTL_LANGUAGEFILES_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "intl/IntlEntry.h"
#include "intl/IntlTable.h"
#include "platform/win32.h"

// A folder that holds the library "Linkory.dll" (by path only) and its language files.
class LanguageFolder {
public:
    LanguageFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "linkory-intl-XXXXXX").string();
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~LanguageFolder()
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }

    std::u16string LibraryPath() const { return Wide(folder + "/Linkory.dll"); }
    std::u16string PathOf(const std::string& name) const { return Wide(folder + "/" + name); }

    // Writes UTF-8 lines (separated by '\n') as UTF-16LE with a byte-order mark, each
    // line ended by `eol`; the last one only when `finalBreak`.
    void Write(const std::string& name, const std::string& utf8, const std::string& eol = "\r\n",
               bool finalBreak = true) const
    {
        std::string text;
        size_t start = 0;
        for (size_t end; (end = utf8.find('\n', start)) != std::string::npos; start = end + 1)
            text += utf8.substr(start, end - start) + eol;
        text += utf8.substr(start);
        if (finalBreak && start < utf8.size())
            text += eol;
        std::u16string units = Wide(text);
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : units) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        WriteBytes(name, bytes);
    }

    void WriteBytes(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    }

    void AppendBytes(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder + "/" + name, std::ios::binary | std::ios::app) << bytes;
    }

    static std::u16string Wide(const std::string& utf8)
    {
        if (utf8.empty())
            return std::u16string();
        std::u16string wide(utf8.size(), u'\0');
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size()));
        wide.resize(n > 0 ? n : 0);
        return wide;
    }

private:
    std::string folder;
};

// "[name]{id=text|id=(null)|}" for every section in file order.
inline std::u16string Dump(CIntlTable& table)
{
    std::u16string dump;
    for (int i = 0; i < table.GetSectionCount(); ++i) {
        CIntlSection* section = table.GetSection(i);
        const WCHAR* name = section->GetBuffer();
        dump += u"[" + std::u16string(name ? name : u"") + u"]{";
        for (int e = 0; e < section->GetCount(); ++e) {
            auto* entry = static_cast<CIntlEntry*>(static_cast<CSafeString*>(section->CSafeObjArray::GetAt(e)));
            const WCHAR* text = entry->GetBuffer();
            dump += LanguageFolder::Wide(std::to_string(entry->GetId())) + u"=" +
                    (text ? std::u16string(text) : u"(null)") + u"|";
        }
        dump += u"}";
    }
    return dump;
}

#endif
