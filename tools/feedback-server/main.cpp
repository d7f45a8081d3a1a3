// kxfeedbackserver: a stand-in for the maker's feedback service on 127.0.0.1. It accepts
// every POST with an empty 200 answer and appends each request's exact bytes to a file.
#include "Loopback.h"
#include "Os.h"

#ifdef _WIN32
#include "Text.h"
#endif

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::FILE* OpenForAppend(const std::string& path) {
#ifdef _WIN32
    return _wfopen(kx::ToWide(path).c_str(), L"ab");
#else
    return std::fopen(path.c_str(), "ab");
#endif
}

bool ParseCount(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
    long port = -1, limit = 0;
    if ((args.size() != 3 && args.size() != 4) || !ParseCount(args[1], port) || port > 65535 ||
        (args.size() == 4 && !ParseCount(args[3], limit))) {
        std::fputs("usage: kxfeedbackserver PORT FILE [REQUESTS]\n"
                   "  PORT 0 picks a free port; with REQUESTS it ends after that many requests\n",
                   stderr);
        return 2;
    }
    const std::string file = args[2];
    std::mutex mutex;
    std::condition_variable answered;
    long answers = 0;
    bool writeFailed = false;
    try {
        kx::loopback::Server server(
            [&](const std::string& request, kx::loopback::Connection& connection) {
                {
                    std::lock_guard lock(mutex);
                    std::FILE* out = OpenForAppend(file);
                    if (!out || std::fwrite(request.data(), 1, request.size(), out) != request.size())
                        writeFailed = true;
                    if (out) std::fclose(out);
                }
                const bool post = request.compare(0, 5, "POST ") == 0;
                connection.Write(post ? "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n"
                                      : "HTTP/1.0 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
                connection.Close();
                {
                    std::lock_guard lock(mutex);
                    ++answers;
                }
                answered.notify_all();
            },
            static_cast<int>(port));
        std::printf("listening on 127.0.0.1:%d\n", server.Port());
        std::fflush(stdout);
        if (limit == 0) {
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }
        std::unique_lock lock(mutex);
        answered.wait(lock, [&] { return answers >= limit; });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kxfeedbackserver: %s\n", error.what());
        return 1;
    }
    return writeFailed ? 1 : 0;
}
