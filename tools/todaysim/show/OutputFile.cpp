// SPDX-License-Identifier: MIT
// Recognising todaysim's own output files before replacing them.
#include "tools/todaysim/show/OutputFile.h"

#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "tools/todaysim/scenario/Failure.h"

namespace todaysim {
namespace {

const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
// Every trace line is an object whose first key is "ev", as TraceWriter writes it.
const char kTraceStart[] = "{\"ev\":";

bool starts_with(const std::string& path, const char* prefix, size_t length, bool& empty)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(length, '\0');
    in.read(&head[0], static_cast<std::streamsize>(length));
    empty = in.gcount() == 0;
    return static_cast<size_t>(in.gcount()) == length && std::memcmp(head.data(), prefix, length) == 0;
}

}  // namespace

void refuse_foreign_file(const std::string& option, const std::string& path, OutputKind kind, bool force)
{
    struct stat info;
    if (force || path == "-" || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    bool empty = false;
    const bool png = kind == OutputKind::Png;
    const bool own = png ? starts_with(path, kPngSignature, sizeof kPngSignature - 1, empty)
                         : starts_with(path, kTraceStart, sizeof kTraceStart - 1, empty);
    if (own || empty)
        return;
    throw usage_error("todaysim: " + option + " " + path + ": the file exists and is not " +
                      (png ? "a PNG" : "a todaysim trace") +
                      "; todaysim replaces only its own output. Name another file, or add --force to replace it");
}

void refuse_existing_file(const std::string& option, const std::string& path, bool force)
{
    struct stat info;
    if (force || path == "-" || stat(path.c_str(), &info) != 0)
        return;
    throw usage_error("todaysim: " + option + " " + path +
                      ": the file exists and is left as it is. Name a new file, or add --force to replace it");
}

}  // namespace todaysim
