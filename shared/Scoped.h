// Owners of system handles: each closes its handle when it goes, so that no path, a throwing
// one included, leaves a handle open or closes one twice. They move and never copy. The
// Windows owners exist in the Windows build only.
#pragma once

#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <wininet.h>
#endif

namespace kx {

// A handle of a kind that differs from the others only in how it is closed and in the value
// that means "none".
template <typename T, auto Close, T Empty = T{}>
class Scoped {
public:
    Scoped() = default;
    explicit Scoped(T handle) : handle_(handle) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : handle_(other.release()) {}
    Scoped& operator=(Scoped&& other) noexcept {
        reset(other.release());
        return *this;
    }

    T get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty; }
    T release() { return std::exchange(handle_, Empty); }
    void reset(T handle = Empty) {
        if (handle_ != Empty) Close(handle_);
        handle_ = handle;
    }

private:
    T handle_ = Empty;
};

// The standard library's own functions may not be taken by their address.
inline void CloseStdioFile(std::FILE* file) { std::fclose(file); }
using StdioFile = Scoped<std::FILE*, CloseStdioFile>;

#ifdef _WIN32

// A kernel object. A file that did not open (INVALID_HANDLE_VALUE) is held as none, so that
// one test serves files and every other kind of object.
class KernelHandle : public Scoped<HANDLE, CloseHandle> {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : Scoped(Held(handle)) {}
    void reset(HANDLE handle = nullptr) { Scoped::reset(Held(handle)); }

private:
    static HANDLE Held(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }
};

using InternetHandle = Scoped<HINTERNET, InternetCloseHandle>;
// A pen, brush, font, bitmap or region, kept as its own type.
template <typename T>
using GdiObject = Scoped<T, DeleteObject>;
// A DC that CreateCompatibleDC made.
using MemoryDc = Scoped<HDC, DeleteDC>;

// A window's DC, or the screen's for no window, released to the window it came from.
class WindowDc {
public:
    explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(WindowDc&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc other) noexcept {
        std::swap(window_, other.window_);
        std::swap(dc_, other.dc_);
        return *this;
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for the owner's life; the object it replaced goes back after.
// Declared after the owners of the DC and the object, it goes before them.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (dc_) SelectObject(dc_, old_);
    }
    SelectedObject(SelectedObject&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)), old_(other.old_) {}
    SelectedObject& operator=(SelectedObject other) noexcept {
        std::swap(dc_, other.dc_);
        std::swap(old_, other.old_);
        return *this;
    }
    HDC Dc() const { return dc_; }
    HGDIOBJ Old() const { return old_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

#endif

}  // namespace kx
