// bench_translate.cpp - TranslateText for a text the language file
// translates and for one it does not, against a std::unordered_map lookup
// over the same entries.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <unordered_map>

#include "bench/bench_ratios.h"
#include "bench/scratch_dir.h"
#include "logging/translate.h"

namespace {

const char* const kKeys[] = {"Done", "Busy", "Closed", "Timed out", "Not initiated",
                             "QuaxVault is busy", "QuaxVault has error(s)", "Not Supported",
                             "Amount to dispense too big", "Payout larger than allowed limit per time unit"};

// The language file in QXCONFIG's folder; the table is built afresh.
void writeLanguageFile() {
    static bool written = false;
    if (written) return;
    std::ofstream file(qxbench::scratchDir() + "/qxlang.ini");
    file << "[Lang]\n";
    for (const char* key : kKeys) file << key << "=" << key << " (translated)\n";
    file.close();
    resetLanguageTableForTesting();
    written = true;
}

void BM_TranslateHit(benchmark::State& state) {
    writeLanguageFile();
    for (auto _ : state) benchmark::DoNotOptimize(TranslateText("Not Supported"));
}
BENCHMARK(BM_TranslateHit);

void BM_TranslateMiss(benchmark::State& state) {
    writeLanguageFile();
    for (auto _ : state) benchmark::DoNotOptimize(TranslateText("Paid in amount smaller than amount due"));
}
BENCHMARK(BM_TranslateMiss);

void BM_UnorderedMapLookup(benchmark::State& state) {
    std::unordered_map<std::string, std::string> table;
    for (const char* key : kKeys) table[key] = std::string(key) + " (translated)";
    for (auto _ : state) {
        auto found = table.find("Not Supported");
        benchmark::DoNotOptimize(found == table.end() ? nullptr : found->second.c_str());
    }
}
BENCHMARK(BM_UnorderedMapLookup);

const bool hit = qxbench::addRatio("BM_TranslateHit", "BM_UnorderedMapLookup");
const bool miss = qxbench::addRatio("BM_TranslateMiss", "BM_UnorderedMapLookup");

}  // namespace
