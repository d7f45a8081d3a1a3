// Time marks along a program's start, for the start-up benchmark. They cost nothing unless
// KX_STARTUP_MARKS names a file: then each mark appends "name counter" to it, the counter being
// QueryPerformanceCounter's, which the benchmark compares with its own at the process's start.
#pragma once

namespace kx::ui {

void MarkStartup(const char* name);

}  // namespace kx::ui
