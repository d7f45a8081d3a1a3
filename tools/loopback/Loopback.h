// A TCP server on 127.0.0.1 for tests and the demo: it records each request's exact bytes
// and lets a handler script the answer, down to stalls, resets and endless bodies.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kx::loopback {

// The native socket handle, wide enough for both platforms.
using SocketHandle = std::uintptr_t;

// One accepted connection, as the handler sees it. Every wait gives up when the server stops.
class Connection {
public:
    Connection(SocketHandle socket, const std::atomic<bool>& stopping);
    ~Connection();  // a graceful close unless Reset or Close came first
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The head up to its blank line and as many body bytes as its Content-Length gives, or
    // what arrived before the peer closed, went silent for the time-out, or sent 64 MiB.
    std::string ReadRequest(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Whatever arrives next; empty when the peer closed or nothing came within the time-out.
    std::string ReadSome(std::chrono::milliseconds timeout);

    bool Write(std::string_view bytes);  // false once the peer has gone
    // Sleeps, but wakes early when the server stops; false then.
    bool Pause(std::chrono::milliseconds duration);
    // Waits for the peer to close its side, discarding what it sends; false on time-out or stop.
    bool WaitForPeerClose(std::chrono::milliseconds limit);

    // Ends with a FIN after the peer has had the chance to read everything written.
    void Close();
    // Ends with a RST (linger time 0): the peer sees its connection reset.
    void Reset();

private:
    bool WaitReadable(std::chrono::milliseconds timeout);
    SocketHandle socket_;
    bool open_ = true;
    const std::atomic<bool>& stopping_;
};

// Gets the request bytes already read and answers on the connection; it may do anything.
using Handler = std::function<void(const std::string& request, Connection& connection)>;

class Server {
public:
    // Listens on 127.0.0.1 at the port (0: an ephemeral one); throws std::runtime_error when it cannot.
    explicit Server(Handler handler, int port = 0);
    ~Server();  // stops accepting, wakes every handler and joins all threads
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int Port() const { return port_; }
    // The requests received so far, one per connection, in the order they were read.
    std::vector<std::string> Requests() const;
    // Waits until at least count requests have been read; false on time-out.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

private:
    struct Worker {
        std::thread Thread;
        std::atomic<bool> Done{false};
    };
    void AcceptLoop();
    void Serve(SocketHandle socket, Worker& worker);

    Handler handler_;
    SocketHandle listener_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<std::string> requests_;
    std::list<Worker> workers_;  // only the accept thread and the destructor touch it
    std::thread acceptThread_;
};

// A port on 127.0.0.1 that was free a moment ago and has no listener: connecting is refused.
int UnusedPort();

}  // namespace kx::loopback
