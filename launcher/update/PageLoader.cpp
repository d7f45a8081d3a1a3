#include "PageLoader.h"

#include "Scoped.h"
#include "Text.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <thread>

namespace kx {

struct PageLoader::State {
    std::atomic<bool> busy{false};
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    InternetHandle session;  // closing it from the GUI thread aborts a blocked load
    std::string location = ErrorPageAddress;
    std::string body;
};

namespace {

constexpr DWORD TimeoutMs = 30000;

std::string CurrentUrl(HINTERNET request) {
    // A fixed buffer and the text's own end: implementations disagree on the size's unit.
    std::wstring url(INTERNET_MAX_URL_LENGTH + 1, L'\0');
    DWORD size = static_cast<DWORD>(url.size() * sizeof(wchar_t));
    if (!InternetQueryOptionW(request, INTERNET_OPTION_URL, url.data(), &size)) return {};
    url.resize(wcsnlen(url.c_str(), url.size()));
    return FromWide(url);
}

// True for http(s) documents with a success status, and for other schemes that loaded. A
// redirect is no success: it is not followed, as a service answering each request with a
// redirect to itself would keep the loader busy without end.
bool Succeeded(HINTERNET request, const std::string& address) {
    const std::string scheme = LowerAscii(address.substr(0, address.find(':')));
    if (scheme != "http" && scheme != "https") return true;
    // A response without a proper status line is no document, whatever the platform makes of it.
    wchar_t version[32] = {};
    DWORD versionSize = sizeof version;
    if (!HttpQueryInfoW(request, HTTP_QUERY_VERSION, version, &versionSize, nullptr) ||
        std::wstring_view(version).substr(0, 7) != L"HTTP/1.")
        return false;
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    return status >= 200 && status <= 299;
}

// A declared length over the cap: the body is refused before a byte of it is read.
bool DeclaredTooLong(HINTERNET request) {
    wchar_t length[32] = {};
    DWORD size = sizeof length;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) return false;
    std::uint64_t value = 0;
    for (const wchar_t* c = length; *c >= L'0' && *c <= L'9'; ++c) {
        value = value * 10 + static_cast<std::uint64_t>(*c - L'0');
        if (value > PageLoader::MaxBodyBytes) return true;
    }
    return false;
}

void Load(const std::shared_ptr<PageLoader::State>& state, const std::string& address) {
    std::string location = PageLoader::ErrorPageAddress, body;
    HINTERNET session;
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        session = state->session.get();
    }
    const std::wstring wideAddress = ToWide(address);
    InternetHandle request(InternetOpenUrlW(
        session, wideAddress.c_str(), nullptr, 0,
        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTO_REDIRECT, 0));
    if (request && DeclaredTooLong(request.get())) {
        // Closing would have the platform read the whole declared body to reuse the connection,
        // for as long as the service sends. The request and its session are kept unread and
        // open until the process ends instead: the service stalls once the socket's buffers fill.
        std::lock_guard<std::mutex> lock(state->mutex);
        if (state->abandoned) return;
        request.release();
        state->session.release();
        state->busy = false;
        return;
    }
    if (request) {
        bool complete = Succeeded(request.get(), address);
        char chunk[16384];
        DWORD got = 0;
        while (complete) {
            if (!InternetReadFile(request.get(), chunk, sizeof chunk, &got)) {
                complete = false;
                break;
            }
            if (got == 0) break;
            if (body.size() + got > PageLoader::MaxBodyBytes) {
                complete = false;
                break;
            }
            body.append(chunk, got);
        }
        if (complete) location = CurrentUrl(request.get());
        else body.clear();
        request.reset();
    }
    std::lock_guard<std::mutex> lock(state->mutex);
    if (state->abandoned) return;
    state->location = location;
    state->body = std::move(body);
    state->busy = false;
}

}  // namespace

PageLoader::PageLoader() : state_(std::make_shared<State>()) {}

PageLoader::~PageLoader() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->abandoned = true;
    state_->session.reset();
}

bool PageLoader::Navigate(const std::string& address) {
    if (state_->busy) return false;
    InternetHandle session(
        InternetOpenW(L"Mozilla/4.0 (compatible; Kestrix)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT}) {
        DWORD timeout = TimeoutMs;
        InternetSetOptionW(session.get(), option, &timeout, sizeof timeout);
    }
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->session = std::move(session);
        state_->location = ErrorPageAddress;
        state_->body.clear();
        state_->busy = true;
    }
    try {
        std::thread(Load, state_, address).detach();
    } catch (const std::system_error&) {
        state_->busy = false;
        return false;
    }
    return true;
}

bool PageLoader::Busy() const { return state_->busy; }

std::string PageLoader::LocationUrl() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->location;
}

std::string PageLoader::Body() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->body;
}

}  // namespace kx
