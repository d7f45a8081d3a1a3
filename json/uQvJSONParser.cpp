// The lenient recursive-descent parser behind TqvJSON::ParseDocument.
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <string>

#include "JsonNumber.h"
#include "uQvJSON.h"

namespace kx {


namespace {

constexpr int kMaxDepth = 512;

static_assert(std::endian::native == std::endian::little, "whitespace runs are found from the lowest byte up");

// Ends the whole parse: a bad \u escape, an overflowing number, nesting too deep.
struct ParseAbort {};

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 + (cp >> 6)));
        out.push_back(static_cast<char>(0x80 + (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 + (cp >> 12)));
        out.push_back(static_cast<char>(0x80 + ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 + (cp & 0x3F)));
    }
}

unsigned ParseHex(std::string_view digits) {
    if (digits.empty()) throw ParseAbort{};
    unsigned value = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else throw ParseAbort{};
        value = value * 16 + digit;
    }
    return value;
}

std::string Unescape(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    std::size_t i = 0;
    while (i < raw.size()) {
        const std::size_t backslash = raw.find('\\', i);
        if (backslash == std::string_view::npos) {
            out.append(raw.substr(i));
            break;
        }
        out.append(raw.substr(i, backslash - i));
        // The closing-quote scan always leaves a byte after a backslash.
        if (backslash + 1 >= raw.size()) break;
        const char escaped = raw[backslash + 1];
        i = backslash + 2;
        switch (escaped) {
            case '"': case '\'': case '/': case '\\': out.push_back(escaped); break;
            case 'b': out.push_back('\x08'); break;
            case 'f': out.push_back('\x0C'); break;
            case 'n': out.push_back('\x0A'); break;
            case 'r': out.push_back('\x0D'); break;
            case 't': out.push_back('\x09'); break;
            case 'u': {
                const std::string_view hex = raw.substr(i, 4);
                AppendUtf8(out, ParseHex(hex));
                i += hex.size();
                break;
            }
            default: break;  // an unknown escape drops both bytes
        }
    }
    return out;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void Malformed(std::u16string& text) { text.clear(); }

// Sequences of one to three bytes; anything else empties the text. Written straight into
// the node's string, which starts empty.
void DecodeUtf8(std::string_view bytes, std::u16string& out) {
    const std::size_t n = bytes.size();
    // Never more units than bytes; the text is cut to what was written.
    out.resize(n);
    char16_t* const begin = out.data();
    char16_t* unit = begin;
    std::size_t i = 0;
    while (i < n) {
        // Runs of ASCII widen without the sequence checks, eight bytes at a time while they last.
        for (std::uint64_t eight; i + 8 <= n; i += 8, unit += 8) {
            std::memcpy(&eight, bytes.data() + i, sizeof eight);
            if (eight & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k) unit[k] = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
        }
        while (i < n && static_cast<unsigned char>(bytes[i]) < 0x80) *unit++ = static_cast<unsigned char>(bytes[i++]);
        if (i == n) break;
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if ((lead & 0xE0) == 0xC0) {
            if (i + 1 >= n) return Malformed(out);
            const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
            if (!IsContinuation(c1)) return Malformed(out);
            *unit++ = static_cast<char16_t>(((lead & 0x1F) << 6) | (c1 & 0x3F));
            i += 2;
        } else if ((lead & 0xF0) == 0xE0) {
            if (i + 2 >= n) return Malformed(out);
            const auto c1 = static_cast<unsigned char>(bytes[i + 1]);
            const auto c2 = static_cast<unsigned char>(bytes[i + 2]);
            if (!IsContinuation(c1) || !IsContinuation(c2)) return Malformed(out);
            *unit++ = static_cast<char16_t>(((lead & 0x0F) << 12) | ((c1 & 0x3F) << 6) | (c2 & 0x3F));
            i += 3;
        } else {
            return Malformed(out);
        }
    }
    out.resize(static_cast<std::size_t>(unit - begin));
}

class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > kMaxDepth) throw ParseAbort{};
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

// Each rule takes the caller's position, works on a copy and writes it back only on success;
// a failed rule returns null and has freed whatever it built.
class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::unique_ptr<TqvJSONbase> Value(std::size_t& pos) {
        const std::size_t p = Skip(pos);
        if (p >= text_.size()) return nullptr;
        // The alternatives (keywords, null, number, string, array, object) each need a
        // different first byte, so choosing by it is the same as trying them in order.
        switch (text_[p]) {
            case 't': case 'f': return Keyword(pos);
            case 'n': return Null(pos);
            case '"': return String(pos);
            case '[': return Array(pos);
            case '{': return Object(pos);
            default: return Number(pos);
        }
    }

private:
    // The first byte at or after from that is sought, or the end: eight bytes at a time while
    // marks(word) sets the high bit of each sought byte (exact for the lowest one), then by
    // sought(byte).
    template <class Marks, class Sought>
    std::size_t FirstSought(std::size_t from, Marks marks, Sought sought) const {
        const std::size_t n = text_.size();
        for (; from + 8 <= n; from += 8) {
            std::uint64_t bytes;
            std::memcpy(&bytes, text_.data() + from, sizeof bytes);
            if (const std::uint64_t hits = marks(bytes)) return from + static_cast<std::size_t>(std::countr_zero(hits) / 8);
        }
        while (from < n && !sought(static_cast<unsigned char>(text_[from]))) ++from;
        return from;
    }

    std::size_t Skip(std::size_t p) const {
        if (p < text_.size() && static_cast<unsigned char>(text_[p]) >= 0x21) return p;
        // Indentation comes in runs. A byte is whitespace when neither its high bit nor that of
        // its low seven bits plus 0x5F is set.
        constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kBias = 0x5F5F5F5F5F5F5F5Full,
                                kHigh = 0x8080808080808080ull;
        return FirstSought(
            p, [](std::uint64_t bytes) { return (((bytes & kLow7) + kBias) | bytes) & kHigh; },
            [](unsigned char byte) { return byte >= 0x21; });
    }

    bool At(std::size_t p, char c) const { return p < text_.size() && text_[p] == c; }
    bool Matches(std::size_t p, std::string_view word) const { return text_.substr(p, word.size()) == word; }

    std::unique_ptr<TqvJSONbase> Keyword(std::size_t& pos) {
        const std::size_t p = Skip(pos);
        if (Matches(p, "true")) {
            pos = p + 4;
            return std::make_unique<TqvJSONboolean>(true);
        }
        if (Matches(p, "false")) {
            pos = p + 5;
            return std::make_unique<TqvJSONboolean>(false);
        }
        return nullptr;
    }

    std::unique_ptr<TqvJSONbase> Null(std::size_t& pos) {
        const std::size_t p = Skip(pos);
        if (!Matches(p, "null")) return nullptr;
        pos = p + 4;
        return std::make_unique<TqvJSONnull>();
    }

    std::unique_ptr<TqvJSONbase> Number(std::size_t& pos) {
        json::NumberText found;
        if (!json::ScanNumber(text_, Skip(pos), found)) return nullptr;
        json::ConvertedNumber number;
        if (!json::ConvertNumber(found, number)) throw ParseAbort{};
        pos = found.end;
        return std::make_unique<TqvJSONnumber>(number.extended, number.nearest, number.narrowed);
    }

    // The bytes between the quotes of the string at pos, found without building anything.
    struct RawString {
        std::string_view raw;
        bool escaped;
        std::size_t end;  // past the closing quote
    };

    // The first '"' or '\\' at or after from, or the end.
    std::size_t NextQuoteOrBackslash(std::size_t from) const {
        constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
        return FirstSought(
            from,
            [](std::uint64_t bytes) {
                // A zero byte in either marks a hit; the lowest mark of each is exact.
                const std::uint64_t quotes = bytes ^ (kOnes * '"'), backslashes = bytes ^ (kOnes * '\\');
                return (((quotes - kOnes) & ~quotes) | ((backslashes - kOnes) & ~backslashes)) & kHigh;
            },
            [](unsigned char byte) { return byte == '"' || byte == '\\'; });
    }

    bool ScanString(std::size_t pos, RawString& found) const {
        const std::size_t p = Skip(pos);
        if (!At(p, '"')) return false;
        const std::size_t start = p + 1;
        bool escaped = false;
        std::size_t at = NextQuoteOrBackslash(start);
        // A backslash steps over the byte after it: the first quote that is not stepped over
        // closes the string.
        while (at < text_.size() && text_[at] == '\\') {
            escaped = true;
            at = NextQuoteOrBackslash(at + 2);
        }
        if (at >= text_.size()) return false;
        found = {text_.substr(start, at - start), escaped, at + 1};
        return true;
    }

    static void Decode(const RawString& found, std::u16string& text) {
        if (found.escaped)
            DecodeUtf8(Unescape(found.raw), text);
        else
            DecodeUtf8(found.raw, text);
    }

    std::unique_ptr<TqvJSONbase> String(std::size_t& pos) {
        RawString found;
        if (!ScanString(pos, found)) return nullptr;
        auto string = std::make_unique<TqvJSONstring>();
        Decode(found, string->Text);
        pos = found.end;
        return string;
    }

    std::unique_ptr<TqvJSONbase> Array(std::size_t& pos) {
        std::size_t p = Skip(pos);
        if (!At(p, '[')) return nullptr;
        ++p;
        const DepthGuard guard(depth_);
        auto list = std::make_unique<TqvJSONlist>();
        const Children children(stack_);
        while (auto item = Value(p)) {
            stack_.push_back(std::move(item));
            p = Skip(p);
            if (At(p, ',')) ++p;
        }
        p = Skip(p);
        if (!At(p, ']')) return nullptr;
        children.MoveInto(list->Items);
        pos = p + 1;
        return list;
    }

    std::unique_ptr<TqvJSONbase> Object(std::size_t& pos) {
        std::size_t p = Skip(pos);
        if (!At(p, '{')) return nullptr;
        ++p;
        const DepthGuard guard(depth_);
        auto object = std::make_unique<TqvJSONobject>(true);
        names_.Forget();  // it may have been a freed object's, at the same address
        const Children children(stack_);
        while (auto member = Member(p)) {
            // The position Append would give; names go in one by one, in document order. The
            // cursor stays with this object until a member's value holds another.
            const auto position = static_cast<std::int32_t>(children.Count());
            if (object->Indexed) object->NameIndex.AddName(member->Key, position, names_);
            stack_.push_back(std::move(member));
            p = Skip(p);
            if (At(p, ',')) ++p;
        }
        p = Skip(p);
        if (!At(p, '}')) return nullptr;
        children.MoveInto(object->Items);
        pos = p + 1;
        return object;
    }

    std::unique_ptr<TqvJSONobjectmethod> Member(std::size_t& pos) {
        RawString key;
        if (!ScanString(pos, key)) return nullptr;
        // The key is decoded before the colon is looked at: a bad escape in it ends the parse.
        auto member = std::make_unique<TqvJSONobjectmethod>();
        Decode(key, member->Key);
        std::size_t p = Skip(key.end);
        if (!At(p, ':')) return nullptr;
        ++p;
        member->Content = Value(p);
        if (!member->Content) return nullptr;
        pos = p;
        return member;
    }

    // Blocks, not one array: no doubling, so a huge container costs no spare room.
    using Stack = std::deque<std::unique_ptr<TqvJSONbase>>;

    // The children of one open container, gathered on the parse stack above the ones of the
    // containers around it, so that Items is sized once. Dropped children are freed.
    class Children {
    public:
        explicit Children(Stack& stack) : stack_(stack), base_(stack.size()) {}
        Children(const Children&) = delete;
        Children& operator=(const Children&) = delete;
        ~Children() { stack_.resize(base_); }

        std::size_t Count() const { return stack_.size() - base_; }
        void MoveInto(TqvItemList& items) const {
            items.reserve(items.size() + Count());
            for (auto child = stack_.begin() + static_cast<std::ptrdiff_t>(base_); child != stack_.end(); ++child)
                items.push_back(std::move(*child));
        }

    private:
        Stack& stack_;
        const std::size_t base_;
    };

    std::string_view text_;
    int depth_ = 0;
    Stack stack_;
    TqvNameCursor names_;  // where the last name went, in whichever object took it
};

}  // namespace

std::unique_ptr<TqvJSONbase> TqvJSON::ParseDocument(std::string_view text) {
    if (text.empty()) return nullptr;
    std::size_t pos = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        pos = 3;
        if (pos == text.size()) return nullptr;
    }
    try {
        Parser parser(text);
        return parser.Value(pos);
    } catch (...) {
        // Every failure, allocation included, means "no document"; unwinding freed the tree.
        return nullptr;
    }
}

}  // namespace kx
