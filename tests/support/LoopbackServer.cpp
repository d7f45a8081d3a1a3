#include "LoopbackServer.h"

#include <utility>

namespace kx::test::reply {

Handler Canned(std::string response) {
    return [response = std::move(response)](const std::string&, Connection& connection) {
        connection.Write(response);
        connection.Close();
    };
}

Handler Status(int code) {
    std::string line = "HTTP/1.0 " + std::to_string(code);
    switch (code) {
        case 200: line += " OK\r\n"; break;
        case 204: line += " No Content\r\n"; break;
        case 302: line += " Found\r\nLocation: http://127.0.0.1/elsewhere\r\n"; break;
        case 404: line += " Not Found\r\n"; break;
        case 500: line += " Internal Server Error\r\n"; break;
        default: line += " Status\r\n"; break;
    }
    return Canned(line + "Content-Type: text/html\r\n\r\n");
}

Handler Silent() {
    return [](const std::string&, Connection& connection) {
        connection.WaitForPeerClose(std::chrono::minutes(5));
    };
}

Handler Trickle(std::string response, std::chrono::milliseconds gap) {
    return [response = std::move(response), gap](const std::string&, Connection& connection) {
        for (char c : response) {
            if (!connection.Write(std::string_view(&c, 1)) || !connection.Pause(gap)) return;
        }
        connection.Close();
    };
}

Handler Endless(std::string head) {
    return [head = std::move(head)](const std::string&, Connection& connection) {
        if (!connection.Write(head)) return;
        const std::string block(65536, 'x');
        while (connection.Write(block)) {
        }
    };
}

Handler ResetAfter(std::string partial) {
    return [partial = std::move(partial)](const std::string&, Connection& connection) {
        if (!partial.empty()) connection.Write(partial);
        connection.Reset();
    };
}

}  // namespace kx::test::reply
