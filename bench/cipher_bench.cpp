// Cipher throughput on a 64 MiB buffer against memcpy of the same buffer. The cipher is a
// serial chain (each key state depends on the previous byte), so cycles per byte are shown too.
#include "FileEncryptUnit.h"

#include <benchmark/benchmark.h>
#include <x86intrin.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr std::size_t BufferBytes = 64u << 20;

const std::vector<std::uint8_t>& Source() {
    static const std::vector<std::uint8_t> buffer = [] {
        std::vector<std::uint8_t> b(BufferBytes);
        std::mt19937 random(1);
        for (auto& byte : b) byte = static_cast<std::uint8_t>(random());
        return b;
    }();
    return buffer;
}

template <class F>
void Run(benchmark::State& state, F&& work) {
    const auto& source = Source();
    std::vector<std::uint8_t> destination(source.size());
    std::uint64_t cycles = 0;
    for (auto _ : state) {
        const std::uint64_t start = __rdtsc();
        work(source, destination);
        cycles += __rdtsc() - start;
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
    state.counters["cycles/byte"] = static_cast<double>(cycles) / static_cast<double>(state.iterations() * source.size());
}

void BM_Decode(benchmark::State& state) {
    Run(state, [](const auto& source, auto& destination) {
        const auto n = static_cast<std::uint32_t>(source.size());
        kx::DecodeBuffer(source.data(), n, destination.data(), n, kx::SuiteCipherKey);
    });
}

void BM_Encode(benchmark::State& state) {
    Run(state, [](const auto& source, auto& destination) {
        const auto n = static_cast<std::uint32_t>(source.size());
        kx::EncodeBuffer(source.data(), n, destination.data(), n, kx::SuiteCipherKey);
    });
}

void BM_Memcpy(benchmark::State& state) {
    Run(state, [](const auto& source, auto& destination) { std::memcpy(destination.data(), source.data(), source.size()); });
}

}  // namespace

BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
