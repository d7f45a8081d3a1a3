#include "FormPost.h"

#include "Os.h"
#include "Scoped.h"
#include "Text.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <memory>

#ifndef KX_FEEDBACK_SERVER
#define KX_FEEDBACK_SERVER "feedback.kestrix.example"
#endif

namespace kx {

namespace {

constexpr std::string_view FormPath = "/dodaRO/sendmail2.php";

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// 0 when the text is not a port from 1 to 65535.
int ParsePort(std::string_view text) {
    if (!AllDigits(text) || text.size() > 5) return 0;
    int port = 0;
    for (char c : text) port = port * 10 + (c - '0');
    return port <= 65535 ? port : 0;
}

bool ValidStatusLine(std::string_view line, int& status) {
    constexpr std::string_view Prefix = "HTTP/";
    if (line.substr(0, Prefix.size()) != Prefix) return false;
    line.remove_prefix(Prefix.size());
    const std::size_t dot = line.find('.');
    const std::size_t blank = line.find(' ');
    if (dot == std::string_view::npos || blank == std::string_view::npos || dot > blank) return false;
    if (!AllDigits(line.substr(0, dot)) || !AllDigits(line.substr(dot + 1, blank - dot - 1))) return false;
    const std::string_view rest = line.substr(blank + 1);
    if (rest.size() < 3 || !AllDigits(rest.substr(0, 3)) || (rest.size() > 3 && rest[3] != ' ')) return false;
    status = (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
    return status >= 100;
}

}  // namespace

FeedbackServer ParseFeedbackServer(std::string_view hostOrHostPort) {
    const std::string trimmed = TrimControlAndBlank(hostOrHostPort);
    const std::string_view text = trimmed;
    FeedbackServer server;
    std::string_view host = text;
    std::string_view port;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return {};
        host = text.substr(1, close - 1);
        const std::string_view after = text.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return {};
            port = after.substr(1);
            hasPort = true;
        }
    } else {
        const std::size_t colon = text.find(':');
        // More than one colon is a bare IPv6 address, which has no room for a port.
        if (colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            hasPort = true;
        }
    }
    if (hasPort) {
        server.Port = ParsePort(port);
        if (server.Port == 0) return {};
    }
    server.Host = std::string(host);
    return server;
}

FeedbackServer ConfiguredFeedbackServer() {
    const std::string configured = os::EnvironmentVariable("KESTRIX_FEEDBACK_SERVER");
    return ParseFeedbackServer(configured.empty() ? std::string_view(KX_FEEDBACK_SERVER) : configured);
}

std::string EncodeFormValue(std::string_view utf8) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    constexpr std::string_view Reserved = "*#%<>[]&+";
    std::string out;
    out.reserve(utf8.size());
    // Each byte of a multi-byte character is escaped on its own, so going byte by byte
    // gives the escapes of the whole character.
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x21 && byte <= 0x7F && Reserved.find(c) == std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 0x0F];
        }
    }
    return out;
}

std::string BuildFormBody(std::string_view address, std::string_view subject, std::string_view content) {
    return "myaddress=" + EncodeFormValue(address) + "&subject=" + EncodeFormValue(subject) +
           "&content=" + EncodeFormValue(content);
}

std::string BuildPostRequest(const FeedbackServer& server, const std::string& body) {
    // An IPv6 literal is bracketed so that a port can follow it.
    const bool literal6 = server.Host.find(':') != std::string::npos;
    std::string host;
    if (literal6) host += '[';
    host += server.Host;
    if (literal6) host += ']';
    if (server.Port != 80) {
        host += ':';
        host += std::to_string(server.Port);
    }
    std::string request;
    request.reserve(300 + body.size());
    request += "POST ";
    request += FormPath;
    request += " HTTP/1.0\r\n";
    request += "Connection: keep-alive\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "Host: " + host + "\r\n";
    request += "Accept: text/html, */*\r\n";
    request += "Accept-Encoding: identity\r\n";
    request += "User-Agent: Mozilla/3.0 (compatible; Kestrix Feedback)\r\n";
    request += "\r\n";
    request += body;
    return request;
}

ResponseHead::State ResponseHead::Scan(std::string_view received) {
    if (state_ != State::Incomplete) return state_;
    if (!statusSeen_) {
        // Anything that cannot become a status line fails at once rather than at the size limit.
        constexpr std::string_view Prefix = "HTTP/";
        const std::size_t known = std::min(received.size(), Prefix.size());
        if (received.substr(0, known) != Prefix.substr(0, known)) return state_ = State::Invalid;
    }
    while (state_ == State::Incomplete) {
        const std::size_t newline = received.find('\n', searched_);
        if (newline == std::string_view::npos) {
            searched_ = received.size();
            break;
        }
        std::string_view line = received.substr(lineStart_, newline - lineStart_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lineStart_ = searched_ = newline + 1;
        if (!TakeLine(line)) state_ = State::Invalid;
    }
    return state_;
}

bool ResponseHead::TakeLine(std::string_view line) {
    if (!statusSeen_) {
        statusSeen_ = true;
        return ValidStatusLine(line, status_);
    }
    if (line.empty()) {
        state_ = State::Complete;
        length_ = lineStart_;
        return true;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string_view name = TrimBlanks(line.substr(0, colon));
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (EqualsIgnoreAsciiCase(name, "Transfer-Encoding")) {
        chunked_ = chunked_ || value.find("chunked") != std::string_view::npos;
    } else if (EqualsIgnoreAsciiCase(name, "Content-Length")) {
        if (!AllDigits(value) || value.size() > 18) return false;
        std::uint64_t length = 0;
        for (char c : value) length = length * 10 + static_cast<std::uint64_t>(c - '0');
        if (contentLength_ && *contentLength_ != length) return false;
        contentLength_ = length;
    }
    return true;
}

std::optional<std::uint64_t> ResponseHead::ContentLength() const {
    if (chunked_) return std::nullopt;
    return contentLength_;
}

std::optional<int> ParseResponseStatus(std::string_view response) {
    ResponseHead head;
    if (head.Scan(response) != ResponseHead::State::Complete) return std::nullopt;
    return head.Status();
}

ResponseReader::Outcome ResponseReader::Feed(std::string_view bytes) {
    if (outcome_ != Outcome::Pending) return outcome_;
    total_ += bytes.size();
    if (total_ > MaxResponseBytes) return outcome_ = Outcome::Failed;
    // The body is never used: only the head is kept.
    if (bodyStart_ == 0) received_.append(bytes);
    return Inspect();
}

ResponseReader::Outcome ResponseReader::End() {
    if (outcome_ != Outcome::Pending) return outcome_;
    // Without a length, the close is what ends the body; with one, the body came up short.
    const bool complete = bodyStart_ != 0 && !contentLength_;
    return outcome_ = complete ? Outcome::Succeeded : Outcome::Failed;
}

ResponseReader::Outcome ResponseReader::Inspect() {
    if (bodyStart_ == 0) {
        const ResponseHead::State state = head_.Scan(received_);
        if (state == ResponseHead::State::Invalid) return outcome_ = Outcome::Failed;
        if (state == ResponseHead::State::Incomplete) return outcome_;
        if (head_.Status() < 200 || head_.Status() > 299) return outcome_ = Outcome::Failed;
        if (head_.Status() == 204) return outcome_ = Outcome::Succeeded;
        bodyStart_ = head_.Length();
        contentLength_ = head_.ContentLength();
        received_.clear();
        received_.shrink_to_fit();
    }
    if (contentLength_ && total_ - bodyStart_ >= *contentLength_) outcome_ = Outcome::Succeeded;
    return outcome_;
}

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket InvalidSocket = INVALID_SOCKET;
const int SendFlags = 0;

bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
void CloseSocket(Socket s) { closesocket(s); }
bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
void MakeNonBlocking(Socket s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
int WaitFor(Socket s, bool write, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &limit);
}

// Names in UTF-8 resolve through the wide call, which takes any characters.
Socket Connect(const FeedbackServer& server) {
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(ToWide(server.Host).c_str(), std::to_wstring(server.Port).c_str(), &hints, &found) != 0)
        return InvalidSocket;
    std::unique_ptr<ADDRINFOW, void (*)(ADDRINFOW*)> owned(found, FreeAddrInfoW);
    for (const ADDRINFOW* entry = found; entry; entry = entry->ai_next) {
        const Socket s = socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
        if (s == InvalidSocket) continue;
        if (connect(s, entry->ai_addr, static_cast<int>(entry->ai_addrlen)) == 0) return s;
        CloseSocket(s);
    }
    return InvalidSocket;
}
#else
using Socket = int;
const Socket InvalidSocket = -1;
// A peer that has gone must not end the process with SIGPIPE.
const int SendFlags = MSG_NOSIGNAL;

bool StartSockets() { return true; }
void CloseSocket(Socket s) { close(s); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
void MakeNonBlocking(Socket s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK); }
int WaitFor(Socket s, bool write, int milliseconds) {
    pollfd entry{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    int got;
    do {
        got = poll(&entry, 1, milliseconds);
    } while (got < 0 && errno == EINTR);
    return got;
}

Socket Connect(const FeedbackServer& server) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(server.Host.c_str(), std::to_string(server.Port).c_str(), &hints, &found) != 0)
        return InvalidSocket;
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> owned(found, freeaddrinfo);
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        const Socket s = socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
        if (s == InvalidSocket) continue;
        int result;
        do {
            result = connect(s, entry->ai_addr, entry->ai_addrlen);
        } while (result != 0 && errno == EINTR);
        if (result == 0) return s;
        CloseSocket(s);
    }
    return InvalidSocket;
}
#endif

bool SendAll(Socket s, std::string_view bytes, int timeout) {
    while (!bytes.empty()) {
        // A server that never reads must not hold the worker forever either.
        if (WaitFor(s, true, timeout) <= 0) return false;
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 65536));
        const int sent = send(s, bytes.data(), chunk, SendFlags);
        if (sent > 0) bytes.remove_prefix(static_cast<std::size_t>(sent));
        else if (!WouldBlock()) return false;
    }
    return true;
}

bool ReceiveResponse(Socket s, int timeout) {
    ResponseReader reader;
    char buffer[16384];
    for (;;) {
        if (WaitFor(s, false, timeout) <= 0) return false;
        const int got = recv(s, buffer, sizeof buffer, 0);
        ResponseReader::Outcome outcome;
        if (got > 0) outcome = reader.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        else if (got == 0) outcome = reader.End();
        else if (WouldBlock()) continue;
        else return false;  // reset or broken
        if (outcome != ResponseReader::Outcome::Pending) return outcome == ResponseReader::Outcome::Succeeded;
    }
}

}  // namespace

bool PostFeedback(const FeedbackServer& server, const std::string& address, const std::string& subject,
                  const std::string& content, std::chrono::milliseconds readTimeout) {
    try {
        if (server.Host.empty() || server.Port < 1 || server.Port > 65535 || !StartSockets()) return false;
        const std::string request = BuildPostRequest(server, BuildFormBody(address, subject, content));
        const Socket s = Connect(server);
        if (s == InvalidSocket) return false;
        const Scoped<Socket, CloseSocket, InvalidSocket> closer(s);
        // Connecting blocks as long as the system lets it; from here on every wait is bounded.
        MakeNonBlocking(s);
        const int timeout = static_cast<int>(std::clamp<long long>(readTimeout.count(), 1, 24LL * 3600 * 1000));
        return SendAll(s, request, timeout) && ReceiveResponse(s, timeout);
    } catch (...) {
        return false;
    }
}

}  // namespace kx
