// Shared set-up of the in-process Valedict tests: an installation's language and product
// files, the run-wide state reset, and a script that acts from inside modal loops.
#pragma once

#include "Form.h"
#include "Gui.h"
#include "TempDir.h"
#include "Text.h"
#include "Timer.h"
#include "ValedictTexts.h"
#include "ValedictState.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kx::valedict::testing {

inline void SetEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableW(ToWide(name).c_str(), value.empty() ? nullptr : ToWide(value).c_str());
}

// The visible forms of this thread that are of type T, the one in front first.
template <class T>
std::vector<T*> VisibleForms() {
    std::vector<T*> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* form = reinterpret_cast<ui::Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (form && IsWindowVisible(hwnd))
                if (auto* typed = dynamic_cast<T*>(form)) reinterpret_cast<std::vector<T*>*>(p)->push_back(typed);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The visible form of this thread of type T in front; nullptr when there is none.
template <class T>
T* VisibleForm() {
    const std::vector<T*> found = VisibleForms<T>();
    return found.empty() ? nullptr : found.front();
}

// Steps run in turn from a 10 ms timer, so they also run inside modal loops: each waits for
// its condition, then acts. When the whole script overruns its limit it gives up and calls
// the rescue at every tick from then on, which must end the modal showings so that the test
// cannot hang.
class Script {
public:
    struct Step {
        std::function<bool()> Ready;
        std::function<void()> Act;
    };
    Script(std::vector<Step> steps, std::function<void()> rescue,
           std::chrono::milliseconds limit = std::chrono::seconds(30))
        : steps_(std::move(steps)),
          rescue_(std::move(rescue)),
          deadline_(std::chrono::steady_clock::now() + limit),
          timer_(host_, 10, [this] { Tick(); }) {
        timer_.SetEnabled(true);
    }
    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }
    std::size_t StepsDone() const { return next_; }
    int Ticks() const { return ticks_; }

private:
    void Tick() {
        ++ticks_;
        // Past its limit it goes on ending every modal showing that comes up, such as one a
        // queued click opens after the first rescue.
        if (timedOut_) {
            if (rescue_) rescue_();
            return;
        }
        if (Finished()) return;
        if (std::chrono::steady_clock::now() > deadline_) {
            timedOut_ = true;
            next_ = steps_.size();
            if (rescue_) rescue_();
            return;
        }
        while (!Finished() && (!steps_[next_].Ready || steps_[next_].Ready())) {
            Step& step = steps_[next_++];
            if (step.Act) step.Act();
        }
    }
    std::vector<Step> steps_;
    std::function<void()> rescue_;
    std::chrono::steady_clock::time_point deadline_;
    std::size_t next_ = 0;
    bool timedOut_ = false;
    int ticks_ = 0;
    ui::Form host_{nullptr, ui::FormBorder::None, 1, 1};
    ui::Timer timer_;
};

// A language file and a product file in a private folder, made the run-wide ones.
struct Installation {
    test::TempDir folder;
    std::string ProductFile;
    std::string LanguageFile;
    explicit Installation(const std::string& shortName = "Kestrix", const std::string& language = LanguageText()) {
        ProductFile = folder.Write("Product.txt", shortName.empty() ? "[Product]\r\nCompany Name=Kestrix Software\r\n"
                                                                   : "[Product]\r\nProduct short Name=" + shortName +
                                                                         "\r\nCompany Name=Kestrix Software\r\n");
        LanguageFile = language.empty() ? folder.File("Missing.dat") : folder.Write("Valedict.dat", language);
    }
    // After the prompt is created: its creation points the language path at the test
    // program's own folder.
    void Use() const {
        ProductFilePath = ProductFile;
        LanguageFilePath = LanguageFile;
    }
};

}  // namespace kx::valedict::testing
