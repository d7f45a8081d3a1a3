// Parses arbitrary bytes and walks the tree through every accessor, then mutates it and
// walks again, so that stale name-index positions are exercised too. An input that is one
// number as a whole must convert as the C library does.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "JsonNumber.h"
#include "Os.h"
#include "uQvJSON.h"

namespace {

using namespace kx;

template <class F>
void Guarded(F&& f) {
    try {
        f();
    } catch (const EInvalidTypeCast&) {
    }
}

void Check(bool condition) {
    if (!condition) std::abort();
}

int typedCallsLeft = 0;

void Walk(TqvJSONbase* node, bool fresh) {
    if (!node) return;
    const TqvVariant value = node->ReadVariant();
    Check(node->KindCode() >= 0 && node->KindCode() <= 6 && !node->KindName().empty());
    const std::int32_t count = node->ItemCount();
    Check(node->ItemAt(-1) == nullptr && node->ItemAt(count) == nullptr);
    node->Lookup(TqvVariant());
    node->Lookup(-1.0);
    node->Lookup(std::u16string(u"Version"));
    Guarded([&] { node->WriteVariant(value); });

    if (auto* member = dynamic_cast<TqvJSONobjectmethod*>(node)) {
        Check(member->Content != nullptr || !fresh);
        Walk(member->Content.get(), fresh);
        return;
    }
    auto* list = dynamic_cast<TqvJSONcustomlist*>(node);
    if (!list) return;
    auto* object = dynamic_cast<TqvJSONobject*>(node);
    for (std::int32_t i = 0; i < count; ++i) {
        TqvJSONbase* child = list->ItemAt(i);
        // The accessors that throw, and PositionOf that scans, are asked at the ends of a long
        // container and for a bounded number of children in all: a megabyte document must
        // stay well inside the time limit.
        const bool atAnEnd = (i < 64 || count - i <= 2) && typedCallsLeft > 0;
        if (atAnEnd) --typedCallsLeft;
        if (atAnEnd) {
            std::string label;
            list->EntryAt(i, label);
            Guarded([&] { list->IntAt(i); });
            Guarded([&] { list->TextAt(i); });
            Guarded([&] { list->WideTextAt(i); });
            Guarded([&] { list->RealAt(i); });
            Guarded([&] { list->FlagAt(i); });
            if (child) Check(list->PositionOf(child) == i);
        }
        list->Lookup(static_cast<double>(i));
        if (object) {
            const std::u16string key = object->KeyAt(i);
            const std::int32_t first = object->FindMember(key);
            // A parsed object indexes every name at its first member.
            if (fresh) Check(first >= 0 && first <= i && object->KeyAt(first) == key);
            object->ValueOf(key);
            object->ValueAt(i);
            if (atAnEnd) Guarded([&] { object->TextOf(os::Utf16ToSystemCodePage(key)); });
        }
        Walk(child, fresh);
    }
}

// The C library's readers are exact in the "C" locale; they are only asked about inputs they
// read quickly. Each format is the text's own rounding, not the other's, read by the parser
// as by the conversion.
void CheckNumber(std::string_view text) {
    if (text.empty() || text.size() > 20000 || json::MatchNumber(text, 0) != text.size()) return;
    json::ConvertedNumber value;
    const bool converted = json::ConvertNumber(text, value);
    const std::string terminated(text);
    const long double extended = std::strtold(terminated.c_str(), nullptr);
    const double nearest = std::strtod(terminated.c_str(), nullptr);
    if (std::isinf(extended)) {
        Check(!converted);
        return;
    }
    Check(converted && value.extended == extended && std::signbit(value.extended) == std::signbit(extended));
    Check(value.nearest == nearest && std::signbit(value.nearest) == std::signbit(nearest));
    const auto root = TqvJSON::ParseDocument(text);
    Check(root && root->ReadVariant() == TqvVariant(nearest));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckNumber(text);
    typedCallsLeft = 2000;
    auto root = TqvJSON::ParseDocument(text);
    Walk(root.get(), true);
    if (auto* list = dynamic_cast<TqvJSONcustomlist*>(root.get()); list && list->ItemCount() > 0) {
        list->RemoveAt(0);
        list->ReplaceItemAt(list->ItemCount() - 1, nullptr);
        std::unique_ptr<TqvJSONbase> spare = std::make_unique<TqvJSONnumber>(2);
        list->ReplaceItemAt(list->ItemCount(), std::move(spare));
        Check(spare != nullptr);  // not stored, so still the caller's
        list->Append(std::make_unique<TqvJSONnumber>(1));
        typedCallsLeft = 2000;
        Walk(root.get(), false);
    }
    return 0;
}
