// Parse speed of the JSON reader against nlohmann::json on the same generated documents.
// Each pair of benchmarks repeats; after the usual table come, per document, the ratio of the
// median CPU times (reader / nlohmann) with the spread of the paired repetitions, and the
// reader's peak heap use on one megabyte of empty objects.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "uQvJSON.h"

// Heap bytes in use, counted with the allocator's own block sizes so that per-block
// overhead shows; only while the memory figure is taken, so that the timings do not pay for it.
namespace {
std::atomic<bool> counting{false};
std::atomic<std::int64_t> heapInUse{0};  // blocks from before the count may be freed during it
std::atomic<std::int64_t> heapPeak{0};

void Count(void* p) {
    if (!counting.load(std::memory_order_relaxed)) return;
    const std::int64_t now = heapInUse += static_cast<std::int64_t>(malloc_usable_size(p) + sizeof(std::size_t));
    std::int64_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}
}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    Count(p);
    return p;
}
void* operator new(std::size_t size, std::align_val_t align) {
    const auto alignment = static_cast<std::size_t>(align);
    void* p = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (!p) throw std::bad_alloc();
    Count(p);
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    if (counting.load(std::memory_order_relaxed)) heapInUse -= static_cast<std::int64_t>(malloc_usable_size(p) + sizeof(std::size_t));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, std::align_val_t) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { operator delete(p); }

namespace {

constexpr int kRepetitions = 9;

std::string VersionDocument() {
    return R"({"Version":"3.0.1","DownloadURL":"http://dl.kestrix.example/files/setup-3.0.1.exe"})";
}

std::string FlatObject() {
    std::string text = "{";
    for (int i = 0; i < 10000; ++i) {
        if (i) text += ",";
        text += "\"member" + std::to_string(i) + "\":";
        switch (i % 4) {
            case 0: text += std::to_string(i * 37); break;
            case 1: text += "\"value " + std::to_string(i) + "\""; break;
            case 2: text += i % 8 == 2 ? "true" : "false"; break;
            default: text += std::to_string(i) + ".25e-3"; break;
        }
    }
    return text + "}";
}

std::string DeepArray() {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "[" + std::to_string(i) + ",";
    text += "\"bottom\"";
    for (int i = 0; i < 400; ++i) text += "]";
    return text;
}

std::string StringHeavy() {
    std::string text = "[";
    for (int i = 0; i < 2000; ++i) {
        if (i) text += ",";
        text += R"("Caf\u00e9 \"quoted\" line\nbreak \\ path\/to\/file )";
        text += "gr\xC3\xBC\xC3\x9F \xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC";
        text += R"( tab\there \uD83D\uDE00 plain ascii text to make it longer")";
    }
    return text + "]";
}

std::string PrettyRecords() {
    std::string text = "[\n";
    for (int i = 0; i < 5000; ++i) {
        text += i ? ",\n" : "";
        text += "    {\n";
        text += "        \"id\": " + std::to_string(100000 + i) + ",\n";
        text += "        \"name\": \"record " + std::to_string(i) + "\",\n";
        text += "        \"score\": " + std::to_string(i % 97) + "." + std::to_string(i % 13) + ",\n";
        text += std::string("        \"active\": ") + (i % 3 ? "true" : "false") + ",\n";
        text += "        \"tags\": [\"alpha\", \"beta\"]\n";
        text += "    }";
    }
    return text + "\n]\n";
}

std::string EmptyObjects(std::size_t count) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i) text += i ? ",{}" : "{}";
    return text + "]";
}

std::string Floats() {
    std::string text = "[";
    std::uint64_t state = 88172645463325252u;
    for (int i = 0; i < 50000; ++i) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        if (i) text += ",";
        text += std::to_string(static_cast<int>(state % 20001) - 10000) + "." + std::to_string(state % 1000000) +
                "e" + std::to_string(static_cast<int>(state >> 40) % 61 - 30);
    }
    return text + "]";
}

std::string Integers() {
    std::string text = "[";
    std::uint64_t state = 2463534242u;
    for (int i = 0; i < 50000; ++i) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        if (i) text += ",";
        text += std::to_string(static_cast<std::int64_t>(state % 2000000001) - 1000000000);
    }
    return text + "]";
}

const std::map<std::string, std::string>& Documents() {
    static const std::map<std::string, std::string> documents = {
        {"version", VersionDocument()}, {"flat10k", FlatObject()},    {"deep400", DeepArray()},
        {"strings", StringHeavy()},     {"pretty5k", PrettyRecords()}, {"empty50k", EmptyObjects(50000)},
        {"floats50k", Floats()},        {"ints50k", Integers()}};
    return documents;
}

void Reader(benchmark::State& state, const std::string& name) {
    const std::string& text = Documents().at(name);
    for (auto _ : state) {
        auto root = kx::TqvJSON::ParseDocument(text);
        if (!root) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void Nlohmann(benchmark::State& state, const std::string& name) {
    const std::string& text = Documents().at(name);
    for (auto _ : state) {
        auto root = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Keeps every repetition's CPU time so that the ratios can follow the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times_[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
    }

    void PrintRatios() const {
        std::printf("\nreader CPU time / nlohmann CPU time, median of %d repetitions (min-max of the paired ones)\n",
                    kRepetitions);
        for (const auto& [name, text] : Documents()) {
            const auto reader = times_.find("reader/" + name);
            const auto other = times_.find("nlohmann/" + name);
            if (reader == times_.end() || other == times_.end()) continue;
            std::vector<double> ratios;
            for (std::size_t i = 0; i < std::min(reader->second.size(), other->second.size()); ++i)
                ratios.push_back(reader->second[i] / other->second[i]);
            std::printf("  %-9s %8zu bytes  %.2f  (%.2f-%.2f)\n", name.c_str(), text.size(),
                        Median(reader->second) / Median(other->second), *std::min_element(ratios.begin(), ratios.end()),
                        *std::max_element(ratios.begin(), ratios.end()));
        }
    }

private:
    std::map<std::string, std::vector<double>> times_;
};

void PrintPeakMemory() {
    const std::string text = EmptyObjects((1u << 20) / 3);
    heapInUse = 0;
    heapPeak = 0;
    counting = true;
    auto root = kx::TqvJSON::ParseDocument(text);
    counting = false;
    const double peak = static_cast<double>(heapPeak.load());
    std::printf("\npeak heap of the reader on %zu bytes of [{},{},...]: %.1f x the input\n", text.size(),
                peak / static_cast<double>(text.size()));
}

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of the two readers alternate, so that each pair shares the machine's load.
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
        for (const auto& [name, text] : Documents()) {
            benchmark::RegisterBenchmark(("reader/" + name).c_str(), Reader, name);
            benchmark::RegisterBenchmark(("nlohmann/" + name).c_str(), Nlohmann, name);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    PrintPeakMemory();
    benchmark::Shutdown();
    return 0;
}
