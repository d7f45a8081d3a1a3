// Parses arbitrary bytes and walks the tree through every accessor, then mutates it and
// walks again, so that stale name-index positions are exercised too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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
        std::string label;
        list->EntryAt(i, label);
        Guarded([&] { list->IntAt(i); });
        Guarded([&] { list->TextAt(i); });
        Guarded([&] { list->WideTextAt(i); });
        Guarded([&] { list->RealAt(i); });
        Guarded([&] { list->FlagAt(i); });
        list->Lookup(static_cast<double>(i));
        TqvJSONbase* child = list->ItemAt(i);
        if (child) Check(list->PositionOf(child) == i);
        if (object) {
            const std::u16string key = object->KeyAt(i);
            const std::int32_t first = object->FindMember(key);
            // A parsed object indexes every name at its first member.
            if (fresh) Check(first >= 0 && first <= i && object->KeyAt(first) == key);
            object->ValueOf(key);
            object->ValueAt(i);
            Guarded([&] { object->TextOf(os::Utf16ToSystemCodePage(key)); });
        }
        Walk(child, fresh);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto root = TqvJSON::ParseDocument(std::string_view(reinterpret_cast<const char*>(data), size));
    Walk(root.get(), true);
    if (auto* list = dynamic_cast<TqvJSONcustomlist*>(root.get()); list && list->ItemCount() > 0) {
        list->RemoveAt(0);
        list->ReplaceItemAt(list->ItemCount() - 1, nullptr);
        list->Append(std::make_unique<TqvJSONnumber>(1));
        Walk(root.get(), false);
    }
    return 0;
}
