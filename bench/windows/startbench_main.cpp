// kxstartbench DEMOFOLDER [ROUNDS]: time from process start to the first complete paint of the
// launcher's main window and of the feedback prompt, each against the floor program showing a
// window of its size and frame with its line of text (and the bare borderless window, and the
// borderless one without an input method), measured
// in interleaved rounds under the same display; each program's peak working set and file size;
// and the split of the start-up by the programs' own marks.
#include "FileEncryptUnit.h"
#include "Global.h"
#include "Os.h"
#include "Scoped.h"
#include "Text.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Probe {
    int X, Y;  // client coordinates
    COLORREF Color;
};

struct Sample {
    double Milliseconds;
    SIZE_T PeakAtPaint;
    std::vector<std::pair<std::string, double>> Marks;  // in the order the program took them
};

struct Subject {
    const char* Label;
    std::string Program;
    std::vector<std::string> Arguments;
    int ClientWidth, ClientHeight;
    std::vector<Probe> Probes;
    std::size_t Floor;  // the subject this one is measured against
    std::vector<Sample> Samples;
    std::vector<SIZE_T> PeaksAtRest;
};

COLORREF BitmapPixel(const std::string& path, int x, int y) {
    const kx::GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, kx::ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!bitmap) {
        std::fprintf(stderr, "kxstartbench: cannot load %s\n", path.c_str());
        std::exit(2);
    }
    const kx::MemoryDc dc(CreateCompatibleDC(nullptr));
    const kx::SelectedObject picture(dc.get(), bitmap.get());
    return GetPixel(dc.get(), x, y);
}

struct Found {
    DWORD Pid;
    int Width, Height;
    HWND Window;
};

HWND PaintedWindow(DWORD pid, const Subject& subject) {
    Found found{pid, subject.ClientWidth, subject.ClientHeight, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Found*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            RECT r;
            if (owner == f->Pid && IsWindowVisible(hwnd) && GetClientRect(hwnd, &r) && r.right == f->Width &&
                r.bottom == f->Height) {
                f->Window = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (!found.Window) return nullptr;
    const kx::WindowDc screen;
    bool painted = true;
    for (const Probe& probe : subject.Probes) {
        POINT p{probe.X, probe.Y};
        ClientToScreen(found.Window, &p);
        painted = painted && GetPixel(screen.get(), p.x, p.y) == probe.Color;
    }
    return painted ? found.Window : nullptr;
}

double MillisecondsBetween(long long from, long long to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to - from) / static_cast<double>(frequency.QuadPart);
}

// The programs' marks, as milliseconds since the process was created.
std::vector<std::pair<std::string, double>> ReadMarks(const std::string& path, long long start) {
    std::vector<std::pair<std::string, double>> marks;
    const kx::StdioFile file(_wfopen(kx::ToWide(path).c_str(), L"rb"));
    if (!file) return marks;
    char line[160];
    while (std::fgets(line, sizeof line, file.get())) {
        std::string text(line);
        const std::size_t space = text.find_last_of(' ');
        if (space == std::string::npos) continue;
        marks.emplace_back(text.substr(0, space), MillisecondsBetween(start, std::atoll(text.c_str() + space + 1)));
    }
    return marks;
}

SIZE_T PeakWorkingSet(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

enum class Start { WarmUp, Timed, AtRest };

// One start of the subject. A timed start keeps its time, its peak working set at the first
// complete paint and its marks; a start at rest keeps the peak 1.5 s later; a warm-up, nothing.
// Timed starts end soon after the paint, so that the starts of a round lie close together.
bool MeasureOnce(Subject& subject, const std::string& marksFile, Start kind) {
    std::wstring commandLine = L"\"" + kx::ToWide(subject.Program) + L"\"";
    for (const std::string& argument : subject.Arguments) commandLine += L" \"" + kx::ToWide(argument) + L"\"";
    const std::wstring folder = kx::ToWide(subject.Program.substr(0, subject.Program.find_last_of('\\')));
    DeleteFileW(kx::ToWide(marksFile).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    const kx::KernelHandle thread(process.hThread), owned(process.hProcess);
    bool seen = false;
    for (int i = 0; i < 30000 && !seen; ++i) {
        seen = PaintedWindow(process.dwProcessId, subject) != nullptr;
        if (!seen) Sleep(1);
    }
    QueryPerformanceCounter(&now);
    if (seen && kind == Start::Timed) {
        Sample sample{MillisecondsBetween(start.QuadPart, now.QuadPart), PeakWorkingSet(process.hProcess), {}};
        Sleep(100);  // the last mark may follow the paint
        sample.Marks = ReadMarks(marksFile, start.QuadPart);
        subject.Samples.push_back(std::move(sample));
    } else if (seen && kind == Start::AtRest) {
        Sleep(1500);
        subject.PeaksAtRest.push_back(PeakWorkingSet(process.hProcess));
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    Sleep(200);
    return seen;
}

template <typename Value>
Value Median(std::vector<Value> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? Value{} : values[values.size() / 2];
}

template <typename Value, typename Field>
std::vector<Value> Column(const Subject& subject, Field field) {
    std::vector<Value> values;
    for (const Sample& sample : subject.Samples) values.push_back(sample.*field);
    return values;
}

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(kx::ToWide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
    if (args.size() < 2) {
        std::fputs("usage: kxstartbench DEMOFOLDER [ROUNDS]\n", stderr);
        return 2;
    }
    std::string demo = args[1];
    if (demo.back() != '\\') demo += '\\';
    const int rounds = args.size() > 2 ? std::max(3, std::atoi(args[2].c_str())) : 25;

    // The launcher's skin tells what its first complete paint shows.
    const std::string language = kx::os::TempFolder() + "kxstartbench-Main.txt";
    kx::DecodeFile(demo + "Lang\\Main.dat", language, kx::SuiteCipherKey);
    const std::string skin = demo + kx::ReadIniValue(language, "frmMain", "ImagePath", "") + "\\Main\\";
    const std::string product = kx::os::TempFolder() + "kxstartbench-Product.txt";
    const std::string productText = "[Product]\r\nProduct short Name=Kestrix\r\n";
    kx::os::WriteFileBytes(product, std::vector<std::uint8_t>(productText.begin(), productText.end()));

    const COLORREF finished = RGB(200, 120, 20), background = RGB(20, 80, 140);
    const std::vector<Probe> launcherProbes = {
        {10, 470, BitmapPixel(skin + "Main.bmp", 10, 470)},
        {543 + 116, 181 + 150, BitmapPixel(skin + "btnEasyCut_Normal.bmp", 116, 150)}};
    const std::string floorProgram = kx::os::ProgramFolder() + "kxfloor.exe";
    std::vector<Subject> subjects = {
        {"floor", floorProgram, {}, 800, 480, {{400, 240, finished}}, 0, {}, {}},
        {"framed", floorProgram, {"framed"}, 576, 372, {{288, 186, finished}}, 1, {}, {}},
        {"bare", floorProgram, {"bare"}, 800, 480, {{400, 240, background}}, 2, {}, {}},
        {"textless", floorProgram, {"textless"}, 800, 480, {{400, 240, finished}}, 0, {}, {}},
        {"skinned", floorProgram, {"skinned", skin.substr(0, skin.size() - 1)}, 800, 480, launcherProbes, 0, {}, {}},
        {"Portico", demo + "Portico.exe", {}, 800, 480, launcherProbes, 0, {}, {}},
        {"Valedict", demo + "Valedict.exe", {"0", product}, 576, 372, {{5, 5, GetSysColor(COLOR_BTNFACE)}}, 1, {}, {}},
    };
    // The programs learn where to write their marks from the environment they inherit.
    const std::string marksFile = kx::os::TempFolder() + "kxstartbench-marks.txt";
    SetEnvironmentVariableW(L"KX_STARTUP_MARKS", kx::ToWide(marksFile).c_str());
    // Each round starts every subject once, beginning with a different one each time, so that
    // none always follows the same neighbour; the warm-up rounds fill the caches and count not.
    const int warmUpRounds = 2, restRounds = 3;
    for (int round = 0; round < warmUpRounds + rounds + restRounds; ++round)
        for (std::size_t i = 0; i < subjects.size(); ++i) {
            Subject& subject = subjects[(i + round) % subjects.size()];
            const Start kind = round < warmUpRounds ? Start::WarmUp
                               : round < warmUpRounds + rounds ? Start::Timed
                                                                : Start::AtRest;
            if (!MeasureOnce(subject, marksFile, kind))
                std::fprintf(stderr, "kxstartbench: %s showed no painted window\n", subject.Label);
        }
    DeleteFileW(kx::ToWide(marksFile).c_str());

    const auto medianTime = [&](std::size_t i) { return Median(Column<double>(subjects[i], &Sample::Milliseconds)); };
    const auto medianPeak = [&](std::size_t i) {
        return static_cast<double>(Median(Column<SIZE_T>(subjects[i], &Sample::PeakAtPaint)));
    };
    const double bare = medianTime(2);
    // The same round's starts lie seconds apart: a ratio taken within each round leaves out
    // much of the machine's drift from one round to the next.
    const auto pairedRatio = [&](const Subject& subject, std::size_t floorIndex) {
        const std::vector<Sample>& own = subject.Samples;
        const std::vector<Sample>& floor = subjects[floorIndex].Samples;
        std::vector<double> ratios;
        if (own.size() == floor.size())
            for (std::size_t r = 0; r < own.size(); ++r) ratios.push_back(own[r].Milliseconds / floor[r].Milliseconds);
        return Median(ratios);
    };
    // A program that takes no text may go without an input method: the textless floor does.
    const std::size_t textless = 3;
    std::printf("%-9s %8s %8s %8s %-7s %8s %7s %7s %9s %12s %8s %12s %9s\n", "program", "min ms", "median", "max ms",
                "floor", "x floor", "paired", "x bare", "textless", "peak WS KiB", "x floor", "at rest KiB",
                "size KiB");
    for (std::size_t i = 0; i < subjects.size(); ++i) {
        const Subject& subject = subjects[i];
        std::vector<double> times = Column<double>(subject, &Sample::Milliseconds);
        std::sort(times.begin(), times.end());
        if (times.empty()) continue;
        const double median = Median(times), floor = medianTime(subject.Floor);
        const double peak = medianPeak(i), floorPeak = medianPeak(subject.Floor);
        std::printf("%-9s %8.1f %8.1f %8.1f %-7s %8.2f %7.2f %7.2f %9.2f %12.0f %8.2f %12zu %9lld\n", subject.Label,
                    times.front(), median, times.back(), subjects[subject.Floor].Label, floor > 0 ? median / floor : 0.0,
                    pairedRatio(subject, subject.Floor), bare > 0 ? median / bare : 0.0,
                    pairedRatio(subject, textless), peak / 1024,
                    floorPeak > 0 ? peak / floorPeak : 0.0, Median(subject.PeaksAtRest) / 1024,
                    FileSize(subject.Program) / 1024);
    }
    std::printf("(%d rounds of interleaved starts after %d warm-up rounds; x: ratio of medians, against the floor\n"
                " of the program's window size and frame; paired: median of the ratios within each round;\n"
                " textless: paired against the floor without an input method; peak working set at the first\n"
                " complete paint, median, and 1.5 s after it in %d more rounds)\n",
                rounds, warmUpRounds, restRounds);

    // Where the time goes: the median time of each step, from the process's creation to its
    // first mark ("main": process start and the DLLs it imports), from mark to mark, and from
    // the last mark to the complete paint the benchmark saw ("seen"; below zero when the paint
    // showed before the program took its last mark, which follows the focus set after showing).
    std::printf("\nstart-up split, ms per step (median):\n");
    for (const Subject& subject : subjects) {
        if (subject.Samples.empty()) continue;
        std::printf("%-9s", subject.Label);
        const auto& names = subject.Samples.front().Marks;
        for (std::size_t m = 0; m <= names.size(); ++m) {
            std::vector<double> steps;
            for (const Sample& sample : subject.Samples) {
                if (sample.Marks.size() != names.size()) continue;
                const double end = m < names.size() ? sample.Marks[m].second : sample.Milliseconds;
                steps.push_back(end - (m > 0 ? sample.Marks[m - 1].second : 0.0));
            }
            std::printf("  %s %.1f", m < names.size() ? names[m].first.c_str() : "seen", Median(steps));
        }
        std::printf("\n");
    }
    return 0;
}
