// kxspinnerbench [LANGUAGEFILE] [SECONDS]: the wait dialog's worst gap between spinner frames
// while its post is stalled on a server that accepts and never answers, side by side with a
// bare 80 ms timer on an idle window of the same thread, under the same Wine and display.
#include "Application.h"
#include "Form.h"
#include "Loopback.h"
#include "Os.h"
#include "Text.h"
#include "Timer.h"
#include "ValedictState.h"
#include "WaitFrm.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace kx;

// The moments one timer's messages are taken from the queue, which is when a frame is drawn.
struct TickLog {
    HWND Window = nullptr;
    UINT_PTR Id = 0;
    std::vector<LONGLONG> Ticks;
};
TickLog* watched = nullptr;

LRESULT CALLBACK WatchTimerMessages(int code, WPARAM removal, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE && watched && msg->message == WM_TIMER &&
        msg->hwnd == watched->Window && msg->wParam == watched->Id) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        watched->Ticks.push_back(now.QuadPart);
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

struct Gaps {
    std::size_t Frames = 0;
    double MeanMs = 0, WorstMs = 0;
    double WorstAtMs = 0;  // since the first frame: tells which event caused it
};

Gaps Measure(const TickLog& log) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Gaps gaps;
    gaps.Frames = log.Ticks.size();
    if (log.Ticks.size() < 2) return gaps;
    const auto ms = [&](LONGLONG ticks) { return 1000.0 * static_cast<double>(ticks) / frequency.QuadPart; };
    for (std::size_t i = 1; i < log.Ticks.size(); ++i) {
        const double gap = ms(log.Ticks[i] - log.Ticks[i - 1]);
        if (gap <= gaps.WorstMs) continue;
        gaps.WorstMs = gap;
        gaps.WorstAtMs = ms(log.Ticks[i] - log.Ticks.front());
    }
    gaps.MeanMs = ms(log.Ticks.back() - log.Ticks.front()) / static_cast<double>(log.Ticks.size() - 1);
    return gaps;
}

// Ends the modal showing after the measured time, as the user's Cancel would.
valedict::TfrmWait* stalledDialog = nullptr;
void CALLBACK PressCancel(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (stalledDialog) SendMessageW(stalledDialog->btnCancel.Handle(), BM_CLICK, 0, 0);
}

Gaps IdleTimer(unsigned milliseconds) {
    ui::Form idle(nullptr, ui::FormBorder::DialogNoButtons, 434, 102);
    ui::Timer timer(idle, 80, [] {});
    TickLog log{idle.Handle(), reinterpret_cast<UINT_PTR>(&timer), {}};
    watched = &log;
    idle.Show();
    timer.SetEnabled(true);
    const DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        ui::Application::Instance().ProcessMessages();
    }
    watched = nullptr;
    return Measure(log);
}

Gaps StalledPost(unsigned milliseconds, loopback::Server& server) {
    ui::Form owner(nullptr, ui::FormBorder::DialogNoButtons, 576, 372);
    owner.Show();
    valedict::TfrmWait wait(owner);
    valedict::frmWait = &wait;
    stalledDialog = &wait;
    valedict::SendData.Address = "me@example.com";
    valedict::SendData.Subject = "Feedback";
    valedict::SendData.Content = "Stalled on purpose";
    TickLog log{wait.Handle(), reinterpret_cast<UINT_PTR>(&wait.TimerGif), {}};
    watched = &log;
    SetTimer(nullptr, 0, milliseconds, &PressCancel);
    wait.Run(valedict::ConfirmSubmission());
    watched = nullptr;
    if (server.Requests().empty()) {
        std::fprintf(stderr, "kxspinnerbench: the post never reached the server\n");
        std::exit(2);
    }
    // The worker still holds its stalled connection; stopping the server ends it.
    stalledDialog = nullptr;
    valedict::frmWait = nullptr;
    return Measure(log);
}

void Report(const char* label, const Gaps& gaps, double floorWorst) {
    std::printf("%-34s %5zu frames  mean %6.1f ms  worst %6.1f ms at %5.2f s  (%.2fx the idle timer's worst)\n",
                label, gaps.Frames, gaps.MeanMs, gaps.WorstMs, gaps.WorstAtMs / 1000, gaps.WorstMs / floorWorst);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = os::CommandLineArguments(argc, argv);
    valedict::LanguageFilePath = arguments.size() > 1 ? arguments[1] : std::string();
    const unsigned seconds = arguments.size() > 2 ? static_cast<unsigned>(std::atoi(arguments[2].c_str())) : 10;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, &WatchTimerMessages, nullptr, GetCurrentThreadId());

    loopback::Server silent([](const std::string&, loopback::Connection& connection) {
        while (connection.Pause(std::chrono::milliseconds(100))) {
        }
    });
    SetEnvironmentVariableW(L"KESTRIX_FEEDBACK_SERVER", ToWide("127.0.0.1:" + std::to_string(silent.Port())).c_str());

    const Gaps idle = IdleTimer(seconds * 1000);
    const Gaps stalled = StalledPost(seconds * 1000, silent);
    UnhookWindowsHookEx(hook);
    Report("bare 80 ms timer, idle window", idle, idle.WorstMs);
    Report("spinner, post stalled on a server", stalled, idle.WorstMs);
    std::printf("spinner worst gap %.1f ms against the 120 ms target\n", stalled.WorstMs);
    return 0;
}
