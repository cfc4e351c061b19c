// SPDX-License-Identifier: MIT
// Benchmarks of loading a language file into the language table, as the first initialization does.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/Probes.h"
#include "bench/Report.h"
#include "intl/IntlTable.h"
#include "sim/coredll/Sim.h"
#include "sim/coredll/SimKernel.h"

namespace {

// Every text the item asks for: "Main" 1 to 7 and every "ConnType" number.
const char* const kMain[] = {
    "1 = Keine aktiven Verbindungen", "2 = Aktive Verbindungen: %u", "3 = IP-Adresse", "4 = keine",
    "5 = Typ",                        "6 = Verbunden mit",           "7 = unbekannt",
};
const int kConnTypeNumbers[] = {100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 200, 201, 202, 300,
                                400, 401, 402, 403, 404, 405, 406, 407, 408, 500, 501, 502, 600, 601, 602,
                                603, 604, 605, 700, 701, 702, 703, 800};

std::string complete_translation()
{
    std::string text = "; Deutsch\r\n[Main]\r\n";
    for (const char* line : kMain)
        text += std::string(line) + "\r\n";
    text += "\r\n[ConnType]\r\n";
    for (int number : kConnTypeNumbers)
        text += std::to_string(number) + " = Verbindungstyp " + std::to_string(number) + "\r\n";
    return text;
}

// The complete translation followed by further sections of 100 entries each until the
// file holds at least `bytes` bytes: a language file that carries texts for other items.
std::string padded_translation(size_t bytes)
{
    std::string text = complete_translation();
    for (int section = 1; text.size() * 2 + 2 < bytes; ++section) {
        text += "\r\n[Extra" + std::to_string(section) + "]\r\n";
        for (int entry = 1; entry <= 100 && text.size() * 2 + 2 < bytes; ++entry)
            text += std::to_string(entry) + " = Zusaetzlicher Text " + std::to_string(entry) + " des Abschnitts " +
                    std::to_string(section) + "\r\n";
    }
    return text;
}

// The folder the language files lie in, beside a library path that does not exist: the
// table only needs GetModuleFileNameW to name it.
class LanguageFolder {
public:
    LanguageFolder()
    {
        char pattern[] = "/tmp/linkory-bench-XXXXXX";
        if (mkdtemp(pattern))
            folder = pattern;
    }
    ~LanguageFolder()
    {
        for (const std::string& file : files)
            unlink(file.c_str());
        if (!folder.empty())
            rmdir(folder.c_str());
    }

    // Writes `text` as UTF-16LE with its byte-order mark as the 0407 file; false on failure.
    bool Write(const std::string& text)
    {
        if (folder.empty())
            return false;
        std::string path = folder + "/Linkory.0407.intl";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.put(static_cast<char>(0xFF)).put(static_cast<char>(0xFE));
        for (char c : text)
            out.put(c).put(0);
        files.push_back(path);
        out.close();
        return static_cast<bool>(out);
    }

    std::u16string LibraryPath() const
    {
        std::string path = folder + "/Linkory.dll";
        return std::u16string(path.begin(), path.end());
    }

private:
    std::string folder;
    std::vector<std::string> files;
};

void LoadLanguageFile(benchmark::State& state, const std::string& text)
{
    sim::reset_for_tests();
    LanguageFolder folder;
    if (!folder.Write(text)) {
        state.SkipWithError("the language file could not be written");
        return;
    }
    HMODULE module = reinterpret_cast<HMODULE>(0x10000);
    sim::kernel::override_module_path(module, folder.LibraryPath());

    const bench::Counts before = bench::snapshot();
    for (auto _ : state) {
        CIntlTable table;
        DWORD error = table.Load(module, 0x0407);
        const WCHAR fallback[] = TEXT("-");
        if (error != ERROR_SUCCESS || table.FindSection(TEXT("ConnType"))->GetText(800, fallback) == fallback) {
            state.SkipWithError("the translation did not load");
            break;
        }
    }
    bench::publish(state, bench::snapshot() - before);
    state.counters["file_bytes"] = static_cast<double>(text.size() * 2 + 2);
    sim::kernel::clear_module_path_override(module);
}

// Construction, loading and destruction of the table with every text the item shows.
void LoadCompleteTranslation(benchmark::State& state)
{
    LoadLanguageFile(state, complete_translation());
}
BENCHMARK(LoadCompleteTranslation);

// The same with a 100 KB file.
void Load100KLanguageFile(benchmark::State& state)
{
    LoadLanguageFile(state, padded_translation(100 * 1024));
}
BENCHMARK(Load100KLanguageFile);

}  // namespace
