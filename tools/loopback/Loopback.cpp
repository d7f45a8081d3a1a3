#include "Loopback.h"

#include "Scoped.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kx::loopback {

namespace {

using namespace std::chrono;

#ifdef _WIN32
using Native = SOCKET;
const Native InvalidSocket = INVALID_SOCKET;
const int SendFlags = 0;

void StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("Winsock cannot start");
}
void CloseNative(Native s) { closesocket(s); }
bool WouldBlock() { return WSAGetLastError() == WSAEWOULDBLOCK; }
void MakeNonBlocking(Native s) {
    u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
}
// >0 ready, 0 time-out, <0 failure.
int WaitFor(Native s, bool write, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &limit);
}
#else
using Native = int;
const Native InvalidSocket = -1;
const int SendFlags = MSG_NOSIGNAL;

void StartSockets() {}
void CloseNative(Native s) { close(s); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
void MakeNonBlocking(Native s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL, 0) | O_NONBLOCK); }
int WaitFor(Native s, bool write, int milliseconds) {
    pollfd entry{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    const int got = poll(&entry, 1, milliseconds);
    return got < 0 && errno == EINTR ? 0 : got;
}
#endif

Native ToNative(SocketHandle s) { return static_cast<Native>(s); }

// Short slices so that a stopping server is noticed quickly.
constexpr milliseconds Slice(50);
constexpr std::size_t MaxRequest = 64u << 20;

// Waits until the socket is ready, in slices; false on time-out, failure or stop.
bool WaitSliced(Native s, bool write, milliseconds timeout, const std::atomic<bool>& stopping) {
    const auto deadline = steady_clock::now() + timeout;
    for (;;) {
        if (stopping) return false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (left <= milliseconds(0)) return false;
        const int got = WaitFor(s, write, static_cast<int>(std::min(left, Slice).count()));
        if (got > 0) return true;
        if (got < 0) return false;
    }
}

// Size the request should have once its head is complete, or 0 while the head is still open.
std::size_t ExpectedRequestSize(const std::string& bytes) {
    std::size_t headEnd = std::string::npos;
    std::size_t lineStart = 0;
    long long contentLength = 0;
    while (lineStart < bytes.size()) {
        const std::size_t newline = bytes.find('\n', lineStart);
        if (newline == std::string::npos) return 0;
        std::string line = bytes.substr(lineStart, newline - lineStart);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lineStart = newline + 1;
        if (line.empty()) {
            headEnd = lineStart;
            break;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (name == "content-length") {
            try {
                contentLength = std::max(0LL, std::stoll(line.substr(colon + 1)));
            } catch (...) {
                contentLength = 0;
            }
        }
    }
    if (headEnd == std::string::npos) return 0;
    return headEnd + static_cast<std::size_t>(std::min<long long>(contentLength, MaxRequest));
}

}  // namespace

Connection::Connection(SocketHandle socket, const std::atomic<bool>& stopping)
    : socket_(socket), stopping_(stopping) {
    MakeNonBlocking(ToNative(socket_));
    // A trickle must leave byte by byte, not wait for acknowledgements to batch it.
    int on = 1;
    setsockopt(ToNative(socket_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

Connection::~Connection() { Close(); }

bool Connection::WaitReadable(milliseconds timeout) {
    return open_ && WaitSliced(ToNative(socket_), false, timeout, stopping_);
}

std::string Connection::ReadSome(milliseconds timeout) {
    char buffer[16384];
    const auto deadline = steady_clock::now() + timeout;
    while (open_) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (!WaitReadable(std::max(left, milliseconds(1)))) return {};
        const int got = recv(ToNative(socket_), buffer, sizeof buffer, 0);
        if (got > 0) return std::string(buffer, static_cast<std::size_t>(got));
        if (got == 0 || !WouldBlock()) return {};
        if (steady_clock::now() >= deadline) return {};
    }
    return {};
}

std::string Connection::ReadRequest(milliseconds timeout) {
    std::string bytes;
    for (;;) {
        const std::size_t expected = ExpectedRequestSize(bytes);
        if ((expected != 0 && bytes.size() >= expected) || bytes.size() >= MaxRequest) return bytes;
        const std::string more = ReadSome(timeout);
        if (more.empty()) return bytes;
        bytes += more;
    }
}

bool Connection::Write(std::string_view bytes) {
    while (open_ && !bytes.empty()) {
        if (!WaitSliced(ToNative(socket_), true, seconds(30), stopping_)) return false;
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 65536));
        const int sent = send(ToNative(socket_), bytes.data(), chunk, SendFlags);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (!WouldBlock()) {
            return false;
        }
    }
    return open_;
}

bool Connection::Pause(milliseconds duration) {
    const auto deadline = steady_clock::now() + duration;
    while (steady_clock::now() < deadline) {
        if (stopping_) return false;
        std::this_thread::sleep_for(std::min(Slice, duration_cast<milliseconds>(deadline - steady_clock::now())));
    }
    return !stopping_;
}

bool Connection::WaitForPeerClose(milliseconds limit) {
    char buffer[16384];
    const auto deadline = steady_clock::now() + limit;
    while (open_) {
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (left <= milliseconds(0) || !WaitReadable(left)) return false;
        const int got = recv(ToNative(socket_), buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && !WouldBlock())) return true;
    }
    return false;
}

void Connection::Close() {
    if (!open_) return;
#ifdef _WIN32
    shutdown(ToNative(socket_), SD_SEND);
#else
    shutdown(ToNative(socket_), SHUT_WR);
#endif
    // Closing with unread data would turn the FIN into a RST; let the peer finish first.
    WaitForPeerClose(seconds(2));
    CloseNative(ToNative(socket_));
    open_ = false;
}

void Connection::Reset() {
    if (!open_) return;
    linger abort{};
    abort.l_onoff = 1;
    abort.l_linger = 0;
    setsockopt(ToNative(socket_), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    CloseNative(ToNative(socket_));
    open_ = false;
}

Server::Server(Handler handler, int port) : handler_(std::move(handler)) {
    StartSockets();
    const Native s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == InvalidSocket) throw std::runtime_error("cannot create a socket");
    Scoped<Native, CloseNative, InvalidSocket> owned(s);  // until the accept thread runs
#ifndef _WIN32
    // A restarted demo server can take its port back at once (on Windows this would let
    // another program share the port, so it is left off there).
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    listener_ = static_cast<SocketHandle>(s);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    owned.release();  // the destructor closes it now
}

Server::~Server() {
    stopping_ = true;
    acceptThread_.join();
    for (Worker& worker : workers_) worker.Thread.join();
    CloseNative(ToNative(listener_));
}

void Server::AcceptLoop() {
    const Native listener = ToNative(listener_);
    while (!stopping_) {
        workers_.remove_if([](Worker& worker) {
            if (!worker.Done) return false;
            worker.Thread.join();
            return true;
        });
        if (WaitFor(listener, false, static_cast<int>(Slice.count())) <= 0) continue;
        const Native accepted = accept(listener, nullptr, nullptr);
        if (accepted == InvalidSocket) continue;
        Worker& worker = workers_.emplace_back();
        worker.Thread = std::thread([this, accepted, &worker] { Serve(static_cast<SocketHandle>(accepted), worker); });
    }
}

void Server::Serve(SocketHandle socket, Worker& worker) {
    try {
        Connection connection(socket, stopping_);
        const std::string request = connection.ReadRequest();
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        arrived_.notify_all();
        if (handler_) handler_(request, connection);
    } catch (...) {
        // A failing handler ends its own connection only.
    }
    worker.Done = true;
}

std::vector<std::string> Server::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool Server::WaitForRequests(std::size_t count, milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
}

int UnusedPort() {
    StartSockets();
    const Native s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == InvalidSocket) throw std::runtime_error("cannot create a socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    CloseNative(s);
    if (!bound) throw std::runtime_error("cannot find a free port on 127.0.0.1");
    return ntohs(address.sin_port);
}

}  // namespace kx::loopback
