// The survey post exactly as the feedback service must receive it.
#pragma once

#include <string>

namespace kx::test {

inline std::string ExpectedFeedbackPost(const std::string& host, const std::string& body) {
    return "POST /dodaRO/sendmail2.php HTTP/1.0\r\n"
           "Connection: keep-alive\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " + std::to_string(body.size()) + "\r\n"
           "Host: " + host + "\r\n"
           "Accept: text/html, */*\r\n"
           "Accept-Encoding: identity\r\n"
           "User-Agent: Mozilla/3.0 (compatible; Kestrix Feedback)\r\n"
           "\r\n" + body;
}

}  // namespace kx::test
