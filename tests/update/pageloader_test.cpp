#include "LoopbackServer.h"
#include "PageLoader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <utility>

#include <windows.h>

namespace kx {
namespace {

using namespace std::chrono_literals;

std::string Address(const test::LoopbackServer& server, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(server.Port()) + path;
}

bool WaitIdle(const PageLoader& loader) {
    for (int i = 0; i < 1000 && loader.Busy(); ++i) std::this_thread::sleep_for(20ms);
    return !loader.Busy();
}

TEST(PageLoader, LoadsADocumentAndReportsItsAddressAndBytes) {
    const std::string document = "{\"Version\":\"3.0.1\",\"DownloadURL\":\"x\",\"Name\":\"\xE4\xB8\xAD\"}";
    test::LoopbackServer server(test::reply::Canned("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n" + document));
    PageLoader loader;
    const std::string address = Address(server, "/version.json?rand=20261208120000");
    ASSERT_TRUE(loader.Navigate(address));
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(loader.LocationUrl(), address);
    EXPECT_EQ(loader.Body(), document);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /version.json?rand=20261208120000 HTTP/1.1\r\n", 0), 0u);
}

TEST(PageLoader, ARedirectIsNotFollowedAndGivesTheErrorPage) {
    test::LoopbackServer target(test::reply::Canned("HTTP/1.0 200 OK\r\n\r\n{}"));
    test::LoopbackServer server(
        test::reply::Canned("HTTP/1.0 302 Found\r\nLocation: " + Address(target, "/elsewhere.json") + "\r\n\r\n"));
    PageLoader loader;
    ASSERT_TRUE(loader.Navigate(Address(server, "/version.json")));
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress);
    EXPECT_EQ(loader.Body(), "");
    EXPECT_TRUE(target.Requests().empty());
}

TEST(PageLoader, AServiceRedirectingToItselfIsAskedOnce) {
    // Every request on the kept-alive connection, and on any new one, is answered with a
    // redirect to the same address; after 50 the service resets, so a follower ends too.
    auto requests = std::make_shared<std::atomic<int>>(0);
    auto port = std::make_shared<std::atomic<int>>(0);
    test::LoopbackServer server([requests, port](const std::string& first, test::Connection& connection) {
        const std::string redirect = "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" + std::to_string(port->load()) +
                                     "/version.json\r\nContent-Length: 0\r\n\r\n";
        for (std::string request = first; !request.empty() && ++*requests <= 50; request = connection.ReadRequest(5s))
            if (!connection.Write(redirect)) return;
        connection.Reset();
    });
    *port = server.Port();
    {
        PageLoader loader;
        ASSERT_TRUE(loader.Navigate(Address(server, "/version.json")));
        ASSERT_TRUE(WaitIdle(loader));
        EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress);
    }
    EXPECT_EQ(requests->load(), 1);
}

TEST(PageLoader, ErrorStatusesRefusedConnectionsAndOversizedDocumentsGiveTheErrorPage) {
    test::LoopbackServer missing(test::reply::Canned("HTTP/1.0 404 Not Found\r\n\r\n{\"Version\":\"9\"}"));
    test::LoopbackServer huge(test::reply::Canned("HTTP/1.0 200 OK\r\n\r\n" + std::string(PageLoader::MaxBodyBytes + 1, ' ')));
    test::LoopbackServer endless(test::reply::Endless("HTTP/1.0 200 OK\r\n\r\n"));
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::UnusedPort()) + "/v.json";
    for (const std::string& address : {Address(missing, "/v.json"), Address(huge, "/v.json"),
                                       Address(endless, "/v.json"), refused}) {
        PageLoader loader;
        ASSERT_TRUE(loader.Navigate(address)) << address;
        ASSERT_TRUE(WaitIdle(loader)) << address;
        EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress) << address;
        EXPECT_EQ(loader.Body(), "") << address;
    }
}

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

TEST(PageLoader, ABodyDeclaredOverTheCapIsRefusedOnItsHeadAndNeverRead) {
    // The head declares 300 MiB on a connection that may be kept alive; then nothing comes, or
    // the body as fast as it is taken, for a failed status too. Every server gives up after a minute.
    const auto declaring = [](const std::string& status, bool flood, std::shared_ptr<std::atomic<std::uint64_t>> sent) {
        return [=](const std::string&, test::Connection& connection) {
            if (!connection.Write("HTTP/1.1 " + status + "\r\nContent-Length: 314572800\r\n\r\n")) return;
            if (!flood) {
                connection.WaitForPeerClose(60s);
                return;
            }
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            const std::string block(65536, 'x');
            while (std::chrono::steady_clock::now() < deadline && connection.Write(block)) *sent += block.size();
        };
    };
    for (const auto& [status, flood] : {std::pair{"200 OK", false}, {"200 OK", true}, {"404 Not Found", true}}) {
        auto sent = std::make_shared<std::atomic<std::uint64_t>>(0);
        test::LoopbackServer server(declaring(status, flood, sent));
        PageLoader loader;
        ASSERT_TRUE(loader.Navigate(Address(server, "/v.json")));
        ASSERT_TRUE(WaitIdle(loader)) << status << flood;
        EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress);
        EXPECT_EQ(loader.Body(), "");
        if (!flood) continue;
        // Once answered, the connection is read no more: what was sent is what its buffers held.
        const double cpuAtAnswer = ProcessCpuSeconds();
        std::this_thread::sleep_for(2s);
        EXPECT_LT(*sent, std::uint64_t{16} << 20) << status;
        EXPECT_LT(ProcessCpuSeconds() - cpuAtAnswer, 0.5) << status;
    }
}

TEST(PageLoader, AnEndlessBodyIsDroppedOnceOverTheCap) {
    // Up to 300 MiB as fast as the loader takes them; the server stops when the connection
    // drops, or after a minute so that the test ends whatever happens.
    auto sent = std::make_shared<std::atomic<std::uint64_t>>(0);
    auto done = std::make_shared<std::atomic<bool>>(false);
    constexpr std::uint64_t Whole = std::uint64_t{300} << 20;
    test::LoopbackServer endless([sent, done](const std::string&, test::Connection& connection) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        const std::string block(65536, 'x');
        if (connection.Write("HTTP/1.0 200 OK\r\n\r\n"))
            while (*sent < Whole && std::chrono::steady_clock::now() < deadline && connection.Write(block))
                *sent += block.size();
        *done = true;
    });
    PageLoader loader;
    ASSERT_TRUE(loader.Navigate(Address(endless, "/v.json")));
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress);
    for (int i = 0; i < 400 && !*done; ++i) std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(*done);
    // The cap and what the connection's buffers held, not the rest of the body.
    EXPECT_LT(*sent, Whole / 10);
}

TEST(PageLoader, HostileServersNeitherHangNorPassForADocument) {
    const std::string document = "{\"Version\":\"9\",\"DownloadURL\":\"x\"}";
    test::LoopbackServer invalidStatus(test::reply::Canned("HTTP/1.0 OK then\r\n\r\n" + document));
    test::LoopbackServer hugeHead(test::reply::Canned("HTTP/1.0 200 OK\r\n" + std::string(2 << 20, 'X') + "\r\n\r\n" + document));
    test::LoopbackServer resetInHead(test::reply::ResetAfter("HTTP/1.0 200 OK\r\nContent-Ty"));
    test::LoopbackServer tenMiB(test::reply::Canned("HTTP/1.0 200 OK\r\nContent-Length: 10485760\r\n\r\n" +
                                                     std::string(10u << 20, '[')));
    for (const test::LoopbackServer* server : {&invalidStatus, &hugeHead, &resetInHead, &tenMiB}) {
        PageLoader loader;
        const std::string address = Address(*server, "/v.json");
        ASSERT_TRUE(loader.Navigate(address));
        ASSERT_TRUE(WaitIdle(loader)) << address;
        // A huge but well-formed head is a document like any other; a reset inside the head
        // leaves nothing to read (the platform may still call the load complete); the rest fail.
        if (server == &resetInHead) {
            EXPECT_EQ(loader.Body(), "");
        } else if (server != &hugeHead) {
            EXPECT_EQ(loader.LocationUrl(), PageLoader::ErrorPageAddress) << address;
        }
        EXPECT_LE(loader.Body().size(), PageLoader::MaxBodyBytes) << address;
    }
}

TEST(PageLoader, ATrickleIsReadToItsEnd) {
    const std::string document = "{\"Version\":\"9\",\"DownloadURL\":\"x\"}";
    test::LoopbackServer trickle(test::reply::Trickle("HTTP/1.0 200 OK\r\n\r\n" + document, 10ms));
    PageLoader loader;
    ASSERT_TRUE(loader.Navigate(Address(trickle, "/v.json")));
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(loader.Body(), document);
}

TEST(PageLoader, AnAbandonedLoadLeavesNothingBehind) {
    test::LoopbackServer silent(test::reply::Silent());
    {
        PageLoader loader;
        ASSERT_TRUE(loader.Navigate(Address(silent, "/v.json")));
        ASSERT_TRUE(silent.WaitForRequests(1, 5s));
        EXPECT_TRUE(loader.Busy());
    }
    // A new loader works normally after the abandoned one.
    test::LoopbackServer server(test::reply::Canned("HTTP/1.0 200 OK\r\n\r\n[1]"));
    PageLoader loader;
    ASSERT_TRUE(loader.Navigate(Address(server, "/v.json")));
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(loader.Body(), "[1]");
}

}  // namespace
}  // namespace kx
