// Loopback HTTP servers for tests, with the answers a test scripts most often.
#pragma once

#include "Loopback.h"

#include <chrono>
#include <string>

namespace kx::test {

using loopback::Connection;
using loopback::Handler;
using LoopbackServer = loopback::Server;
using loopback::UnusedPort;

namespace reply {

// Writes the bytes, then closes gracefully.
Handler Canned(std::string response);
// "HTTP/1.0 <code> <reason>" with an empty body; 302 also carries a Location.
Handler Status(int code);
// Reads nothing more and writes nothing until the client gives up (or the server stops).
Handler Silent();
// Writes the bytes one at a time with a pause between them, then closes.
Handler Trickle(std::string response, std::chrono::milliseconds gap);
// Writes the head, then body bytes until the client stops reading.
Handler Endless(std::string head);
// Writes the bytes, then resets the connection.
Handler ResetAfter(std::string partial);

}  // namespace reply
}  // namespace kx::test
