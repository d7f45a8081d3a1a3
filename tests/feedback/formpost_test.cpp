#include "FormPost.h"

#include "FeedbackPost.h"
#include "LoopbackServer.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kx {
namespace {

using namespace std::chrono_literals;
namespace reply = test::reply;

FeedbackServer At(const test::LoopbackServer& server) { return {"127.0.0.1", server.Port()}; }

bool PostTo(test::Handler handler, std::chrono::milliseconds timeout = 15000ms) {
    test::LoopbackServer server(std::move(handler));
    return PostFeedback(At(server), "me@example.com", "Subject", "Text", timeout);
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) { Set(value); }
    ~ScopedEnvironment() { Set(nullptr); }

private:
    void Set(const char* value) {
#ifdef _WIN32
        SetEnvironmentVariableW(ToWide(name_).c_str(), value ? ToWide(value).c_str() : nullptr);
#else
        if (value) setenv(name_.c_str(), value, 1);
        else unsetenv(name_.c_str());
#endif
    }
    std::string name_;
};

TEST(EncodeFormValue, PassesPlainAsciiAndEscapesTheReservedNine) {
    EXPECT_EQ(EncodeFormValue(""), "");
    EXPECT_EQ(EncodeFormValue("azAZ09@.-_=/?:!\"$'(),;\\^`{|}~"), "azAZ09@.-_=/?:!\"$'(),;\\^`{|}~");
    EXPECT_EQ(EncodeFormValue("*#%<>[]&+"), "%2A%23%25%3C%3E%5B%5D%26%2B");
    EXPECT_EQ(EncodeFormValue("a b"), "a%20b");
    EXPECT_EQ(EncodeFormValue("\x7F"), "\x7F");
    EXPECT_EQ(EncodeFormValue(std::string("\t\r\n\x1F\0", 5)), "%09%0D%0A%1F%00");
    EXPECT_EQ(EncodeFormValue("100% <b>"), "100%25%20%3Cb%3E");
}

TEST(EncodeFormValue, EscapesEveryUtf8ByteOfNonAsciiInUppercaseHex) {
    EXPECT_EQ(EncodeFormValue("中"), "%E4%B8%AD");
    EXPECT_EQ(EncodeFormValue("é"), "%C3%A9");
    EXPECT_EQ(EncodeFormValue("\u00A0"), "%C2%A0");
    // The GUI hands over UTF-16: a surrogate pair is one character of four UTF-8 bytes.
    EXPECT_EQ(EncodeFormValue(Utf16ToUtf8(u"\xD83D\xDE00")), "%F0%9F%98%80");
    EXPECT_EQ(EncodeFormValue(Utf16ToUtf8(u"x\xD83D\xDE00y")), "x%F0%9F%98%80y");
}

TEST(BuildFormBody, JoinsTheThreeFieldsWithNothingAroundThem) {
    EXPECT_EQ(BuildFormBody("", "", ""), "myaddress=&subject=&content=");
    EXPECT_EQ(BuildFormBody("a+b@example.com", "Kestrix 3 & more", "a b<br>c"),
              "myaddress=a%2Bb@example.com&subject=Kestrix%203%20%26%20more&content=a%20b%3Cbr%3Ec");
}

TEST(BuildPostRequest, NamesThePortInTheHostHeaderOnlyWhenItIsNot80) {
    EXPECT_EQ(BuildPostRequest({"feedback.kestrix.example", 80}, "myaddress=a&subject=b&content=c"),
              test::ExpectedFeedbackPost("feedback.kestrix.example", "myaddress=a&subject=b&content=c"));
    EXPECT_EQ(BuildPostRequest({"feedback.kestrix.example", 8080}, ""),
              test::ExpectedFeedbackPost("feedback.kestrix.example:8080", ""));
    EXPECT_EQ(BuildPostRequest({"::1", 80}, ""), test::ExpectedFeedbackPost("[::1]", ""));
    EXPECT_EQ(BuildPostRequest({"::1", 81}, ""), test::ExpectedFeedbackPost("[::1]:81", ""));
}

TEST(FeedbackServerSetting, ParsesHostAndOptionalPort) {
    const auto check = [](std::string_view text, const std::string& host, int port) {
        const FeedbackServer server = ParseFeedbackServer(text);
        EXPECT_EQ(server.Host, host) << text;
        EXPECT_EQ(server.Port, port) << text;
    };
    check("feedback.example", "feedback.example", 80);
    check("feedback.example:8080", "feedback.example", 8080);
    check("  127.0.0.1:1 \r\n", "127.0.0.1", 1);
    check("[::1]:65535", "::1", 65535);
    check("[::1]", "::1", 80);
    check("::1", "::1", 80);
    // A mistyped override must fail the post, not fall back to the real service.
    for (std::string_view bad : {"", "host:", "host:0", "host:65536", "host:8o", "host:-1", "[::1", "[::1]x"})
        EXPECT_EQ(ParseFeedbackServer(bad).Host, "") << bad;
}

TEST(FeedbackServerSetting, TheEnvironmentOverridesTheBuildSetting) {
    {
        ScopedEnvironment unset("KESTRIX_FEEDBACK_SERVER", nullptr);
        // The build's default setting, "feedback.kestrix.example".
        const FeedbackServer built = ConfiguredFeedbackServer();
        EXPECT_EQ(built.Host, "feedback.kestrix.example");
        EXPECT_EQ(built.Port, 80);
    }
    {
        ScopedEnvironment set("KESTRIX_FEEDBACK_SERVER", "staging.example:8123");
        EXPECT_EQ(ConfiguredFeedbackServer().Host, "staging.example");
        EXPECT_EQ(ConfiguredFeedbackServer().Port, 8123);
    }
}

TEST(ResponseStatus, NeedsAValidStatusLineAndACompleteHead) {
    EXPECT_EQ(ParseResponseStatus("HTTP/1.0 200 OK\r\n\r\n"), 200);
    EXPECT_EQ(ParseResponseStatus("HTTP/1.1 204\r\nServer: x\r\n\r\n"), 204);
    EXPECT_EQ(ParseResponseStatus("HTTP/1.0 302 Found\nLocation: http://a/\n\nbody"), 302);
    EXPECT_EQ(ParseResponseStatus("HTTP/1.0 200 OK\r\nServer: x\r\n"), std::nullopt);
    EXPECT_EQ(ParseResponseStatus("HTTP/1.0 200 OK"), std::nullopt);
    for (std::string_view invalid : {"", "ICY 200 OK\r\n\r\n", "HTTP/1 200 OK\r\n\r\n", "HTTP/1.0 20 OK\r\n\r\n",
                                     "HTTP/1.0 2000 OK\r\n\r\n", "HTTP/1.0 2x0 OK\r\n\r\n", "HTTP/x.0 200\r\n\r\n",
                                     "HTTP/1.0  200 OK\r\n\r\n", "HTTP/1.0 099 Low\r\n\r\n"})
        EXPECT_EQ(ParseResponseStatus(invalid), std::nullopt) << invalid;
}

TEST(ResponseReader, DecidesOnlyWhenTheResponseIsComplete) {
    using Outcome = ResponseReader::Outcome;
    {
        // Without a length the close ends the body; split anywhere, the result is the same.
        const std::string response = "HTTP/1.0 200 OK\r\nServer: t\r\n\r\nthanks";
        ResponseReader reader;
        for (char c : response) ASSERT_EQ(reader.Feed(std::string_view(&c, 1)), Outcome::Pending);
        EXPECT_EQ(reader.End(), Outcome::Succeeded);
    }
    {
        ResponseReader reader;
        EXPECT_EQ(reader.Feed("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nab"), Outcome::Pending);
        EXPECT_EQ(reader.Feed("cd"), Outcome::Succeeded);
        EXPECT_EQ(reader.End(), Outcome::Succeeded);
    }
    {
        ResponseReader reader;
        EXPECT_EQ(reader.Feed("HTTP/1.0 200 OK\r\ncontent-length: 10\r\n\r\nab"), Outcome::Pending);
        EXPECT_EQ(reader.End(), Outcome::Failed);
    }
    {
        ResponseReader reader;
        EXPECT_EQ(reader.Feed("HTTP/1.0 200 OK\r\nServer: t"), Outcome::Pending);
        EXPECT_EQ(reader.End(), Outcome::Failed);
    }
    {
        ResponseReader reader;
        EXPECT_EQ(reader.Feed("HTTP/1.0 204 No Content\r\n\r\n"), Outcome::Succeeded);
    }
    for (std::string_view failing : {"HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n", "HTTP/1.0 500 Oops\r\n\r\n",
                                     "HTTP/1.0 199 Early\r\n\r\n", "<html>", "HTTP/1.0 abc\r\n",
                                     "HTTP/1.0 200 OK\r\nContent-Length: 1x\r\n\r\n",
                                     "HTTP/1.0 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n"}) {
        ResponseReader reader;
        EXPECT_EQ(reader.Feed(failing), Outcome::Failed) << failing;
        EXPECT_EQ(reader.End(), Outcome::Failed) << failing;
    }
}

TEST(ResponseReader, GivesUpBeyondOneMebibyte) {
    using Outcome = ResponseReader::Outcome;
    const std::string block(64 * 1024, 'x');
    {
        ResponseReader reader;
        ASSERT_EQ(reader.Feed("HTTP/1.0 200 OK\r\n\r\n"), Outcome::Pending);
        Outcome outcome = Outcome::Pending;
        for (int i = 0; i < 17 && outcome == Outcome::Pending; ++i) outcome = reader.Feed(block);
        EXPECT_EQ(outcome, Outcome::Failed);
        EXPECT_EQ(reader.End(), Outcome::Failed);
    }
    {
        // A head that never ends is cut off the same way.
        ResponseReader reader;
        ASSERT_EQ(reader.Feed("HTTP/1.0 200 OK\r\nX-Filler: "), Outcome::Pending);
        Outcome outcome = Outcome::Pending;
        for (int i = 0; i < 17 && outcome == Outcome::Pending; ++i) outcome = reader.Feed(block);
        EXPECT_EQ(outcome, Outcome::Failed);
    }
    {
        ResponseReader reader;
        const std::string head = "HTTP/1.0 200 OK\r\n\r\n";
        EXPECT_EQ(reader.Feed(head + std::string(MaxResponseBytes - head.size(), 'x')), Outcome::Pending);
        EXPECT_EQ(reader.End(), Outcome::Succeeded);
    }
}

// A head of many short lines, each arriving on its own: every line must be looked at once,
// not the whole head again for each.
constexpr int ManyHeadLines = 300000;

TEST(ResponseReader, ReadsAHeadOfManyShortLinesArrivingOneByOne) {
    using Outcome = ResponseReader::Outcome;
    ResponseReader reader;
    ASSERT_EQ(reader.Feed("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n"), Outcome::Pending);
    Outcome outcome = Outcome::Pending;
    for (int i = 0; i < ManyHeadLines && outcome == Outcome::Pending; ++i) outcome = reader.Feed("a:\n");
    ASSERT_EQ(outcome, Outcome::Pending);
    // A line may also end in a later piece than the one that began it.
    EXPECT_EQ(reader.Feed("Content-Len"), Outcome::Pending);
    EXPECT_EQ(reader.Feed("gth: 2\r"), Outcome::Pending);
    EXPECT_EQ(reader.Feed("\n\r"), Outcome::Pending);
    EXPECT_EQ(reader.Feed("\no"), Outcome::Pending);
    EXPECT_EQ(reader.Feed("k"), Outcome::Succeeded);

    // A disagreeing length far down such a head still fails.
    ResponseReader late;
    ASSERT_EQ(late.Feed("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n"), Outcome::Pending);
    for (int i = 0; i < ManyHeadLines / 10; ++i) ASSERT_EQ(late.Feed("b: c\r\n"), Outcome::Pending);
    EXPECT_EQ(late.Feed("Content-Length: 3\r\n"), Outcome::Failed);
}

TEST(FormPostOutcome, AHeadOfManyShortLinesInSmallPiecesIsReadToTheEnd) {
    EXPECT_TRUE(PostTo(
        [](const std::string&, test::Connection& connection) {
            if (!connection.Write("HTTP/1.0 200 OK\r\n")) return;
            constexpr int LinesPerPiece = 32;
            std::string piece;
            for (int i = 0; i < LinesPerPiece; ++i) piece += "a:\n";
            for (int sent = 0; sent < ManyHeadLines; sent += LinesPerPiece) {
                if (!connection.Write(piece)) return;
                // Now and then the client catches up, so that many pieces arrive on their own.
                if (sent % (100 * LinesPerPiece) == 0 && !connection.Pause(1ms)) return;
            }
            connection.Write("Content-Length: 2\r\n\r\nok");
            connection.Close();
        },
        60000ms));
}

TEST(FormPostWire, SendsExactlyTheFixedRequestWithTheEncodedForm) {
    test::LoopbackServer server(reply::Status(200));
    const std::string content = "中文<br>a&b+c*d#e%f[g]h\x7Fi j" + Utf16ToUtf8(u"\xD83D\xDE00");
    ASSERT_TRUE(PostFeedback(At(server), "user.name@example.com", "Kestrix 3.0 - Feedback", content));
    const std::string body = "myaddress=user.name@example.com"
                             "&subject=Kestrix%203.0%20-%20Feedback"
                             "&content=%E4%B8%AD%E6%96%87%3Cbr%3Ea%26b%2Bc%2Ad%23e%25f%5Bg%5Dh\x7Fi%20j%F0%9F%98%80";
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], test::ExpectedFeedbackPost("127.0.0.1:" + std::to_string(server.Port()), body));
}

TEST(FormPostWire, ResolvesNamesAndOpensANewConnectionForEachPost) {
    test::LoopbackServer server(reply::Status(200));
    // "localhost" may resolve to ::1 first, where nobody listens: the next address is tried.
    ASSERT_TRUE(PostFeedback({"localhost", server.Port()}, "a@b.c", "s", "a b<br>c"));
    ASSERT_TRUE(PostFeedback({"127.0.0.1", server.Port()}, "a@b.c", "s", "second"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], test::ExpectedFeedbackPost("localhost:" + std::to_string(server.Port()),
                                           "myaddress=a@b.c&subject=s&content=a%20b%3Cbr%3Ec"));
    EXPECT_EQ(requests[1], test::ExpectedFeedbackPost("127.0.0.1:" + std::to_string(server.Port()),
                                           "myaddress=a@b.c&subject=s&content=second"));
}

TEST(FormPostOutcome, SucceedsOnlyForACompleteTwoHundredAnswer) {
    EXPECT_TRUE(PostTo(reply::Status(200)));
    EXPECT_TRUE(PostTo(reply::Status(204)));
    EXPECT_TRUE(PostTo(reply::Canned("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>thanks</p>")));
    EXPECT_FALSE(PostTo(reply::Status(302)));
    EXPECT_FALSE(PostTo(reply::Status(404)));
    EXPECT_FALSE(PostTo(reply::Status(500)));
    EXPECT_FALSE(PostTo(reply::Canned("")));
    EXPECT_FALSE(PostTo(reply::Canned("HTTP/1.0 OK\r\n\r\n")));
    EXPECT_FALSE(PostTo(reply::Canned("<html>200 OK</html>")));
}

TEST(FormPostOutcome, FailsWhenTheServerCannotBeReached) {
    EXPECT_FALSE(PostFeedback({"127.0.0.1", test::UnusedPort()}, "a@b.c", "s", "c"));
    EXPECT_FALSE(PostFeedback({"no-such-host.invalid", 80}, "a@b.c", "s", "c"));
    EXPECT_FALSE(PostFeedback({"", 80}, "a@b.c", "s", "c"));
    EXPECT_FALSE(PostFeedback({"127.0.0.1", 0}, "a@b.c", "s", "c"));
}

TEST(FormPostOutcome, FailsWhenTheAnswerBreaksOff) {
    EXPECT_FALSE(PostTo(reply::Canned("HTTP/1.0 200 OK\r\nContent-Ty")));
    EXPECT_FALSE(PostTo(reply::Canned("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nshort")));
    EXPECT_FALSE(PostTo(reply::ResetAfter("")));
    EXPECT_FALSE(PostTo(reply::ResetAfter("HTTP/1.0 200 OK\r\nServer")));
}

TEST(FormPostOutcome, ASilentServerEndsInTheReadTimeOut) {
    test::LoopbackServer server(reply::Silent());
    EXPECT_FALSE(PostFeedback(At(server), "a@b.c", "s", "c", 300ms));
    // The request itself did arrive whole before the wait began.
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    EXPECT_EQ(server.Requests()[0], test::ExpectedFeedbackPost("127.0.0.1:" + std::to_string(server.Port()),
                                                    "myaddress=a@b.c&subject=s&content=c"));
}

TEST(FormPostOutcome, TheTimeOutAppliesToEachWaitNotToTheWholeAnswer) {
    // About 80 bytes at 40 ms each take longer than the 1.5 s time-out, yet data never stops.
    const std::string response = "HTTP/1.0 200 OK\r\nContent-Length: 40\r\n\r\n" + std::string(40, 'b');
    EXPECT_TRUE(PostTo(reply::Trickle(response, 40ms), 1500ms));
}

TEST(FormPostOutcome, AKeptAliveConnectionEndsWithTheContentLength) {
    // The request says keep-alive; a server that honours it must not make the post wait.
    EXPECT_TRUE(PostTo(
        [](const std::string&, test::Connection& connection) {
            connection.Write("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nok");
            connection.WaitForPeerClose(std::chrono::minutes(1));
        },
        60000ms));
}

TEST(FormPostOutcome, AnEndlessOrHugeAnswerEndsAsAFailure) {
    EXPECT_FALSE(PostTo(reply::Endless("HTTP/1.0 200 OK\r\n\r\n")));
    EXPECT_FALSE(PostTo(reply::Endless("HTTP/1.0 200 OK\r\nContent-Length: 10485760\r\n\r\n")));
    EXPECT_FALSE(PostTo(reply::Endless("HTTP/1.0 200 OK\r\nX-Filler: ")));
}

}  // namespace
}  // namespace kx
