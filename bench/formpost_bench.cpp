// Reading a response head of many short lines that arrive one by one: the time per line
// should stay flat as the head grows, up to the post's 1 MiB cap.
#include "FormPost.h"

#include <benchmark/benchmark.h>

namespace {

void HeadOfShortLines(benchmark::State& state) {
    const auto lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kx::ResponseReader reader;
        reader.Feed("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n");
        for (int i = 0; i < lines; ++i) reader.Feed("a:\n");
        benchmark::DoNotOptimize(reader.Feed("\r\nok"));
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(HeadOfShortLines)->Arg(10000)->Arg(40000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
