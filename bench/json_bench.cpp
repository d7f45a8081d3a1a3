// Parse speed of the JSON reader against nlohmann::json on the same generated documents.
// Prints each document's time ratio (reader / nlohmann) after the usual table.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "uQvJSON.h"

namespace {

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

const std::map<std::string, std::string>& Documents() {
    static const std::map<std::string, std::string> documents = {
        {"version", VersionDocument()}, {"flat10k", FlatObject()}, {"deep400", DeepArray()}, {"strings", StringHeavy()}};
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

// Keeps each run's time so that the ratios can follow the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }

    void PrintRatios() const {
        std::printf("\nreader time / nlohmann time (below 1 means the reader is faster)\n");
        for (const auto& [name, text] : Documents()) {
            const auto reader = times_.find("reader/" + name);
            const auto other = times_.find("nlohmann/" + name);
            if (reader == times_.end() || other == times_.end()) continue;
            std::printf("  %-8s %7zu bytes  %.2f\n", name.c_str(), text.size(), reader->second / other->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    for (const auto& [name, text] : Documents()) {
        benchmark::RegisterBenchmark(("reader/" + name).c_str(), Reader, name);
        benchmark::RegisterBenchmark(("nlohmann/" + name).c_str(), Nlohmann, name);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
