// Form values always encode to the safe ASCII alphabet and decode back; any response bytes,
// in any chunking, end in one outcome that never flips.
#include "FormPost.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void CheckEncoding(std::string_view value) {
    const std::string encoded = kx::EncodeFormValue(value);
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c <= 0x20 || static_cast<unsigned char>(c) > 0x7F) std::abort();
        if (c == '&' || c == '+' || c == '*' || c == '#' || c == '<' || c == '>' || c == '[' || c == ']') std::abort();
        if (c != '%') {
            decoded += c;
            continue;
        }
        if (i + 2 >= encoded.size()) std::abort();
        const int high = HexValue(encoded[i + 1]), low = HexValue(encoded[i + 2]);
        if (high < 0 || low < 0) std::abort();
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (decoded != value) std::abort();
}

void CheckResponse(std::string_view bytes, std::size_t chunk) {
    kx::ResponseReader reader;
    using Outcome = kx::ResponseReader::Outcome;
    Outcome decided = Outcome::Pending;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const Outcome now = reader.Feed(bytes.substr(at, chunk));
        if (decided != Outcome::Pending && now != decided) std::abort();
        decided = now;
    }
    const Outcome last = reader.End();
    if (last == Outcome::Pending || (decided != Outcome::Pending && last != decided)) std::abort();
    (void)kx::ParseResponseStatus(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckEncoding(bytes);
    CheckResponse(bytes, size ? 1 + data[0] % 7 : 1);
    CheckResponse(bytes, size ? size : 1);
    return 0;
}
