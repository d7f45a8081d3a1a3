#include "Timer.h"

#include "Application.h"
#include "Form.h"

namespace kx::ui {

Timer::Timer(Form& owner, unsigned intervalMs, std::function<void()> onTimer)
    : owner_(owner), interval_(intervalMs), onTimer_(std::move(onTimer)) {
    owner_.AddTimer(this);
}

Timer::~Timer() { owner_.RemoveTimer(this); }

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled)
        SetTimer(owner_.Handle(), reinterpret_cast<UINT_PTR>(this), interval_, nullptr);
    else
        KillTimer(owner_.Handle(), reinterpret_cast<UINT_PTR>(this));
}

void Timer::SetInterval(unsigned intervalMs) {
    interval_ = intervalMs;
    if (enabled_) SetEnabled(true);
}

void Timer::Fire() {
    if (enabled_ && onTimer_) Application::Instance().Guarded(onTimer_);
}

}  // namespace kx::ui
