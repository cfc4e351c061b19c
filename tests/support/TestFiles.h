// SPDX-License-Identifier: MIT
// A private temporary folder for a test, and the files tests put in it, language files included.
#ifndef LINKORY_TESTS_SUPPORT_TESTFILES_H
#define LINKORY_TESTS_SUPPORT_TESTFILES_H

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32.h"

// UTF-8 to UTF-16 through the device's own conversion.
inline std::u16string Wide(const std::string& utf8)
{
    std::u16string wide(utf8.size(), u'\0');
    int n = utf8.empty() ? 0
                         : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                               static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

// A fresh folder below the system's temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "linkory-test-XXXXXX").string();
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder()
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return folder; }
    std::string PathOf(const std::string& name) const { return folder + "/" + name; }
    std::u16string WidePathOf(const std::string& name) const { return Wide(PathOf(name)); }

    std::string WriteBytes(const std::string& name, const std::string& bytes, bool append = false) const
    {
        std::ofstream(PathOf(name), std::ios::binary | (append ? std::ios::app : std::ios::trunc)) << bytes;
        return PathOf(name);
    }

    // A language file as a translator saves it: UTF-16LE with a byte-order mark, the UTF-8
    // lines ('\n' separated) each ended by `eol`, the last one only when `finalBreak`.
    std::string WriteLanguage(const std::string& name, const std::string& utf8, const std::string& eol = "\r\n",
                              bool finalBreak = true) const
    {
        std::string text;
        size_t start = 0;
        for (size_t end; (end = utf8.find('\n', start)) != std::string::npos; start = end + 1)
            text += utf8.substr(start, end - start) + eol;
        text += utf8.substr(start);
        if (finalBreak && start < utf8.size())
            text += eol;
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : Wide(text)) {
            bytes += static_cast<char>(unit & 0xFF);
            bytes += static_cast<char>(unit >> 8);
        }
        return WriteBytes(name, bytes);
    }

private:
    std::string folder;
};

#endif  // LINKORY_TESTS_SUPPORT_TESTFILES_H
