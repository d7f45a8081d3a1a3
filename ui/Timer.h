// A timer that fires on its form's thread through the message loop.
#pragma once

#include <functional>

namespace kx::ui {

class Form;

class Timer {
public:
    Timer(Form& owner, unsigned intervalMs, std::function<void()> onTimer);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    void SetInterval(unsigned intervalMs);
    unsigned Interval() const { return interval_; }

    void Fire();  // called by the owning form on WM_TIMER

private:
    Form& owner_;
    unsigned interval_;
    bool enabled_ = false;
    std::function<void()> onTimer_;
};

}  // namespace kx::ui
