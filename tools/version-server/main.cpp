// kxversionserver: a stand-in for the maker's version service on 127.0.0.1. Every GET is
// answered with the version document read from a file at that moment.
#include "Loopback.h"
#include "Os.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
    const int port = args.size() == 3 ? std::atoi(args[1].c_str()) : -1;
    if (port < 0 || port > 65535) {
        std::fputs("usage: kxversionserver PORT DOCUMENT  (PORT 0 picks a free port)\n", stderr);
        return 2;
    }
    const std::string documentPath = args[2];
    try {
        kx::loopback::Server server(
            [&](const std::string& request, kx::loopback::Connection& connection) {
                if (request.compare(0, 4, "GET ") != 0) {
                    connection.Write("HTTP/1.0 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
                    return;
                }
                try {
                    const std::vector<std::uint8_t> bytes = kx::os::ReadFileBytes(documentPath);
                    connection.Write("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                                     std::to_string(bytes.size()) + "\r\n\r\n" + std::string(bytes.begin(), bytes.end()));
                } catch (const kx::FileError&) {
                    connection.Write("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                }
            },
            port);
        std::printf("listening on 127.0.0.1:%d\n", server.Port());
        std::fflush(stdout);
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kxversionserver: %s\n", error.what());
        return 1;
    }
}
