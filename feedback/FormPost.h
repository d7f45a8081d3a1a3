// The survey's HTML form post to the maker's feedback service, byte for byte.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kx {

struct FeedbackServer {
    std::string Host;  // a name or an address literal, IPv6 without brackets
    int Port = 80;
};

// "host", "host:port", "[v6]" or "[v6]:port", blanks around it ignored. A port that is not
// 1..65535 gives an empty host, so that the post fails instead of going somewhere else.
FeedbackServer ParseFeedbackServer(std::string_view hostOrHostPort);
// KESTRIX_FEEDBACK_SERVER when set and not empty, else the server the build names.
FeedbackServer ConfiguredFeedbackServer();

// Text in UTF-8; the nine reserved characters, blanks, controls and all non-ASCII go out
// as %XX of their UTF-8 bytes.
std::string EncodeFormValue(std::string_view utf8);
std::string BuildFormBody(std::string_view address, std::string_view subject, std::string_view content);
std::string BuildPostRequest(const FeedbackServer& server, const std::string& body);

// The most of a response the post reads; a longer one is a failure.
constexpr std::size_t MaxResponseBytes = 1u << 20;

// The status of a response whose status line is valid and whose head is complete.
std::optional<int> ParseResponseStatus(std::string_view response);

// A response head read as its bytes arrive. Each line is looked at once, so that a head of
// many short lines, or a line that comes byte by byte, costs no more than its length.
class ResponseHead {
public:
    enum class State { Incomplete, Complete, Invalid };
    // Everything received so far: each call's bytes begin with those of the calls before.
    State Scan(std::string_view received);
    int Status() const { return status_; }
    std::size_t Length() const { return length_; }  // through the blank line, once complete
    // None for a chunked body, whose length is not its Content-Length.
    std::optional<std::uint64_t> ContentLength() const;

private:
    bool TakeLine(std::string_view line);
    State state_ = State::Incomplete;
    std::size_t lineStart_ = 0;  // the first line not yet looked at
    std::size_t searched_ = 0;   // how far no line break was found
    bool statusSeen_ = false;
    bool chunked_ = false;
    int status_ = 0;
    std::size_t length_ = 0;
    std::optional<std::uint64_t> contentLength_;
};

// Follows a response as it arrives and decides the post's outcome.
class ResponseReader {
public:
    enum class Outcome { Pending, Succeeded, Failed };
    // Further bytes; once decided, the outcome no longer changes.
    Outcome Feed(std::string_view bytes);
    // The server closed its side.
    Outcome End();
    Outcome Current() const { return outcome_; }

private:
    Outcome Inspect();
    std::string received_;
    ResponseHead head_;
    std::size_t total_ = 0;
    std::size_t bodyStart_ = 0;
    std::optional<std::uint64_t> contentLength_;
    Outcome outcome_ = Outcome::Pending;
};

// One post on a new connection, closed afterwards. The read time-out applies to each wait for
// data; connecting has no limit of its own. True only for a complete response with a status
// from 200 to 299; never throws.
bool PostFeedback(const FeedbackServer& server, const std::string& address, const std::string& subject,
                  const std::string& content,
                  std::chrono::milliseconds readTimeout = std::chrono::milliseconds(15000));

}  // namespace kx
