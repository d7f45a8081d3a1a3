#include "FeedbackPost.h"
#include "FormPost.h"

#include "LoopbackServer.h"
#include "Os.h"
#include "Process.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#ifdef _WIN32
#include "Text.h"
#include <windows.h>
#endif

namespace kx {
namespace {

using namespace std::chrono_literals;

#ifdef _WIN32
const std::string Extension = ".exe";
#else
const std::string Extension;
#endif

// The tool takes a moment to listen; until then the connection is refused.
bool PostWhenListening(const FeedbackServer& server, const std::string& content) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (PostFeedback(server, "me@example.com", "s", content, 10000ms)) return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

TEST(FeedbackServerTool, AnswersEveryPostAndAppendsTheExactRequests) {
    test::TempDir dir;
    const int port = test::UnusedPort();
    const std::string log = dir.File("posts.bin");
    auto run = std::async(std::launch::async, [&] {
        return test::RunProgram(test::BinaryFolder() + "kxfeedbackserver" + Extension,
                                {std::to_string(port), log, "2"});
    });
    const FeedbackServer server{"127.0.0.1", port};
    const bool first = PostWhenListening(server, "first 中");
    const bool second = PostFeedback(server, "me@example.com", "s", "second", 10000ms);
    ASSERT_EQ(run.get(), 0);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    const std::string host = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(test::ReadText(log),
              test::ExpectedFeedbackPost(host, "myaddress=me@example.com&subject=s&content=first%20%E4%B8%AD") +
                  test::ExpectedFeedbackPost(host, "myaddress=me@example.com&subject=s&content=second"));
}

TEST(FeedbackServerTool, RefusesBadArguments) {
    const std::string tool = test::BinaryFolder() + "kxfeedbackserver" + Extension;
    EXPECT_EQ(test::RunProgram(tool, {}), 2);
    EXPECT_EQ(test::RunProgram(tool, {"port", "file"}), 2);
    EXPECT_EQ(test::RunProgram(tool, {"70000", "file"}), 2);
    EXPECT_EQ(test::RunProgram(tool, {"0", "file", "-1"}), 2);
}

#ifdef _WIN32

class StubLifetime {
public:
    explicit StubLifetime(const wchar_t* ms) { SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", ms); }
    ~StubLifetime() { SetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", nullptr); }
};

// A copy in a private folder, so that its log starts empty.
std::string InstallStub(const test::TempDir& dir, const std::string& folder, const std::string& name) {
    test::MakeDirectories(dir.File(folder));
    const std::string target = dir.File(folder + "\\" + name + ".exe");
    os::WriteFileBytes(target, os::ReadFileBytes(test::BinaryFolder() + name + ".exe"));
    return target;
}

TEST(SiblingStubs, EachLogsItsArgumentTextBesideItselfUnderItsOwnName) {
    test::TempDir dir;
    StubLifetime exitAtOnce(L"0");
    for (const std::string name : {"Snipwell", "Trundle", "Anvilry", "Murmur", "Bargello", "Freshen"}) {
        const std::string stub = InstallStub(dir, "plain", name);
        ASSERT_EQ(test::RunProgram(stub, {"-" + name}), 0);
        EXPECT_EQ(test::ReadText(dir.File("plain\\" + name + ".log")), "-" + name + "\r\n") << name;
    }
}

TEST(SiblingStubs, RecordTheRawTextAfterAQuotedOrPlainProgramName) {
    test::TempDir dir;
    StubLifetime exitAtOnce(L"0");
    // A blank in the folder makes the program name quoted on the command line.
    for (const std::string folder : {"plain", "with blank"}) {
        const std::string stub = InstallStub(dir, folder, "Snipwell");
        ASSERT_EQ(test::RunProgram(stub, {"-open", "C:\\a b\\c.txt", "中文", "say \"hi\""}), 0);
        ASSERT_EQ(test::RunProgram(stub, {}), 0);
        EXPECT_EQ(test::ReadText(dir.File(folder + "\\Snipwell.log")),
                  "-open \"C:\\a b\\c.txt\" 中文 \"say \\\"hi\\\"\"\r\n\r\n")
            << folder;
    }
}

TEST(SiblingStubs, ShowTheirWindowForTheirLifetimeThenEndByThemselves) {
    test::TempDir dir;
    StubLifetime shortLife(L"2000");
    const std::string stub = InstallStub(dir, "plain", "Bargello");
    auto run = std::async(std::launch::async, [&] { return test::RunProgram(stub, {"promo"}); });
    HWND window = nullptr;
    while (!window && run.wait_for(20ms) != std::future_status::ready)
        window = FindWindowW(L"KestrixSiblingStub", L"Bargello");
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, 360);
    EXPECT_EQ(client.bottom - client.top, 120);
    EXPECT_EQ(run.get(), 0);
    EXPECT_EQ(test::ReadText(dir.File("plain\\Bargello.log")), "promo\r\n");
}

#endif

}  // namespace
}  // namespace kx
