// kxstartbench DEMOFOLDER [RUNS]: time from process start to the first complete paint of the
// launcher's main window and to the feedback prompt, against the floor program, measured side
// by side under the same display; then each program's working set at rest and file size.
#include "FileEncryptUnit.h"
#include "Global.h"
#include "Os.h"
#include "Text.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Probe {
    int X, Y;  // client coordinates
    COLORREF Color;
};

struct Subject {
    const char* Label;
    std::string Program;
    std::vector<std::string> Arguments;
    int ClientWidth, ClientHeight;
    std::vector<Probe> Probes;
    std::vector<double> Milliseconds;
    SIZE_T PeakWorkingSet = 0;
};

COLORREF BitmapPixel(const std::string& path, int x, int y) {
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(nullptr, kx::ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap) {
        std::fprintf(stderr, "kxstartbench: cannot load %s\n", path.c_str());
        std::exit(2);
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return color;
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
    HDC screen = GetDC(nullptr);
    bool painted = true;
    for (const Probe& probe : subject.Probes) {
        POINT p{probe.X, probe.Y};
        ClientToScreen(found.Window, &p);
        painted = painted && GetPixel(screen, p.x, p.y) == probe.Color;
    }
    ReleaseDC(nullptr, screen);
    return painted ? found.Window : nullptr;
}

bool MeasureOnce(Subject& subject) {
    std::wstring commandLine = L"\"" + kx::ToWide(subject.Program) + L"\"";
    for (const std::string& argument : subject.Arguments) commandLine += L" \"" + kx::ToWide(argument) + L"\"";
    const std::wstring folder = kx::ToWide(subject.Program.substr(0, subject.Program.find_last_of('\\')));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    bool seen = false;
    for (int i = 0; i < 30000 && !seen; ++i) {
        seen = PaintedWindow(process.dwProcessId, subject) != nullptr;
        if (!seen) Sleep(1);
    }
    QueryPerformanceCounter(&now);
    if (seen) {
        subject.Milliseconds.push_back(1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
                                       static_cast<double>(frequency.QuadPart));
        Sleep(1500);  // at rest
        PROCESS_MEMORY_COUNTERS counters{};
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters))
            subject.PeakWorkingSet = std::max(subject.PeakWorkingSet, counters.PeakWorkingSetSize);
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    Sleep(200);
    return seen;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
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
        std::fputs("usage: kxstartbench DEMOFOLDER [RUNS]\n", stderr);
        return 2;
    }
    std::string demo = args[1];
    if (demo.back() != '\\') demo += '\\';
    const int runs = args.size() > 2 ? std::max(1, std::atoi(args[2].c_str())) : 9;

    // The launcher's skin tells what its first complete paint shows.
    const std::string language = kx::os::TempFolder() + "kxstartbench-Main.txt";
    kx::DecodeFile(demo + "Lang\\Main.dat", language, kx::SuiteCipherKey);
    const std::string skin = demo + kx::ReadIniValue(language, "frmMain", "ImagePath", "") + "\\Main\\";
    const std::string product = kx::os::TempFolder() + "kxstartbench-Product.txt";
    const std::string productText = "[Product]\r\nProduct short Name=Kestrix\r\n";
    kx::os::WriteFileBytes(product, std::vector<std::uint8_t>(productText.begin(), productText.end()));

    std::vector<Subject> subjects = {
        {"floor", kx::os::ProgramFolder() + "kxfloor.exe", {}, 800, 480, {{400, 240, RGB(20, 80, 140)}}, {}},
        {"Portico", demo + "Portico.exe", {}, 800, 480,
         {{10, 470, BitmapPixel(skin + "Main.bmp", 10, 470)},
          {543 + 116, 181 + 150, BitmapPixel(skin + "btnEasyCut_Normal.bmp", 116, 150)}}, {}},
        {"Valedict", demo + "Valedict.exe", {"0", product}, 576, 372, {{5, 5, GetSysColor(COLOR_BTNFACE)}}, {}},
    };
    for (int run = 0; run < runs; ++run)
        for (Subject& subject : subjects)
            if (!MeasureOnce(subject)) std::fprintf(stderr, "kxstartbench: %s showed no painted window\n", subject.Label);

    const double floor = Median(subjects[0].Milliseconds);
    std::printf("%-10s %12s %10s %16s %12s\n", "program", "start (ms)", "x floor", "peak WS (KiB)", "size (KiB)");
    for (const Subject& subject : subjects) {
        const double median = Median(subject.Milliseconds);
        std::printf("%-10s %12.1f %10.2f %16zu %12lld\n", subject.Label, median, floor > 0 ? median / floor : 0.0,
                    subject.PeakWorkingSet / 1024, FileSize(subject.Program) / 1024);
    }
    std::printf("(median of %d runs each, interleaved)\n", runs);
    return 0;
}
