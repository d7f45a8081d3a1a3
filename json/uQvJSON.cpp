#include "uQvJSON.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "JsonNumber.h"
#include "NodePool.h"
#include "Os.h"
#include "Text.h"

namespace kx {

namespace {

// A plain conversion outside the range is undefined behaviour, so the result saturates.
std::int32_t SaturatingInt32(long double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0L) return std::numeric_limits<std::int32_t>::max();
    if (value <= -2147483649.0L) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Rounded to nearest as strtod rounds: above the largest double, up to the halfway point to
// 2^1024 it is still the largest; the halfway point is a tie that goes to the even 2^1024,
// infinity. (A plain conversion of a value beyond the range is undefined.)
double ToDouble(long double value) {
    const long double magnitude = std::fabs(value);
    if (!(magnitude > DBL_MAX)) return static_cast<double>(value);
    const long double halfway = static_cast<long double>(DBL_MAX) + std::ldexp(1.0L, DBL_MAX_EXP - DBL_MANT_DIG - 1);
    const double rounded = magnitude < halfway ? DBL_MAX : std::numeric_limits<double>::infinity();
    return value < 0 ? -rounded : rounded;
}

constexpr double kNoTie = std::numeric_limits<double>::quiet_NaN();

// Adjacent doubles, the other one larger in magnitude; past the largest, 2^1024.
long double AboveInMagnitude(double value) {
    const double next = std::nextafter(value, std::copysign(std::numeric_limits<double>::infinity(), value));
    return std::isinf(next) ? std::copysign(std::ldexp(1.0L, DBL_MAX_EXP), value) : next;
}

bool AsciiEqualsIgnoreCase(std::u16string_view text, std::string_view word) {
    if (text.size() != word.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<unsigned char>(word[i])) return false;
    }
    return true;
}

double VariantToDouble(const TqvVariant& value) {
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* b = std::get_if<bool>(&value)) return *b ? 1.0 : 0.0;
    if (const auto* s = std::get_if<std::u16string>(&value)) {
        std::string narrow;
        for (char16_t c : *s) {
            if (c >= 0x80) throw EInvalidTypeCast();
            narrow.push_back(static_cast<char>(c));
        }
        if (json::MatchNumber(narrow, 0) != narrow.size() || narrow.empty()) throw EInvalidTypeCast();
        json::ConvertedNumber number;
        if (!json::ConvertNumber(narrow, number)) throw EInvalidTypeCast();
        return number.nearest;
    }
    throw EInvalidTypeCast();
}

std::u16string VariantToText(const TqvVariant& value) {
    if (const auto* s = std::get_if<std::u16string>(&value)) return *s;
    if (const auto* b = std::get_if<bool>(&value)) return *b ? u"true" : u"false";
    if (const auto* d = std::get_if<double>(&value)) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, *d);
        return std::u16string(buffer, result.ptr);
    }
    throw EInvalidTypeCast();
}

bool VariantToBool(const TqvVariant& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    if (const auto* d = std::get_if<double>(&value)) return *d != 0.0;
    if (const auto* s = std::get_if<std::u16string>(&value)) {
        if (AsciiEqualsIgnoreCase(*s, "true")) return true;
        if (AsciiEqualsIgnoreCase(*s, "false")) return false;
    }
    throw EInvalidTypeCast();
}

std::int32_t IntOf(const TqvJSONbase* node) {
    if (!node) return 0;
    if (const auto* number = dynamic_cast<const TqvJSONnumber*>(node)) return SaturatingInt32(number->Number);
    throw EInvalidTypeCast();
}

long double RealOf(const TqvJSONbase* node) {
    if (!node) return 0;
    if (const auto* number = dynamic_cast<const TqvJSONnumber*>(node)) return number->Number;
    throw EInvalidTypeCast();
}

std::u16string WideTextOf(const TqvJSONbase* node) {
    if (!node) return {};
    if (const auto* string = dynamic_cast<const TqvJSONstring*>(node)) return string->Text;
    throw EInvalidTypeCast();
}

std::string TextOfNode(const TqvJSONbase* node) {
    if (!node) return {};
    if (const auto* string = dynamic_cast<const TqvJSONstring*>(node))
        return os::Utf16ToSystemCodePage(string->Text);
    throw EInvalidTypeCast();
}

bool FlagOf(const TqvJSONbase* node) {
    if (!node) return false;
    if (const auto* boolean = dynamic_cast<const TqvJSONboolean*>(node)) return boolean->Flag;
    throw EInvalidTypeCast();
}

}  // namespace

// ---- TqvJSONbase ----

void* TqvJSONbase::operator new(std::size_t size) { return json::AllocateNode(size); }
void TqvJSONbase::operator delete(void* node, std::size_t size) noexcept { json::FreeNode(node, size); }

TqvVariant TqvJSONbase::ReadVariant() const { return {}; }
void TqvJSONbase::WriteVariant(const TqvVariant&) {}
TqvJSONbase* TqvJSONbase::ItemAt(std::int32_t) const { return nullptr; }
void TqvJSONbase::ReplaceItemAt(std::int32_t, std::unique_ptr<TqvJSONbase>&&) {}
std::int32_t TqvJSONbase::ItemCount() const { return 0; }
TqvJSONbase* TqvJSONbase::Lookup(const TqvVariant&) { return this; }
int TqvJSONbase::KindCode() const { return 0; }
std::string TqvJSONbase::KindName() const { return "jsBase"; }

// ---- scalars ----

TqvJSONnumber::TqvJSONnumber() : tieBelow_(kNoTie) {}
TqvJSONnumber::TqvJSONnumber(long double number) : tieBelow_(kNoTie), Number(number) {}

TqvVariant TqvJSONnumber::ReadVariant() const {
    const double rounded = ToDouble(Number);
    if (std::isnan(tieBelow_)) return rounded;
    const long double above = AboveInMagnitude(tieBelow_);
    if ((tieBelow_ + above) / 2 != Number) return rounded;
    return rounded == tieBelow_ ? static_cast<double>(above) : tieBelow_;
}

void TqvJSONnumber::WriteVariant(const TqvVariant& value) {
    Number = VariantToDouble(value);
    tieBelow_ = kNoTie;
}

int TqvJSONnumber::KindCode() const { return 1; }
std::string TqvJSONnumber::KindName() const { return "jsNumber"; }

TqvVariant TqvJSONstring::ReadVariant() const { return Text; }
void TqvJSONstring::WriteVariant(const TqvVariant& value) { Text = VariantToText(value); }
int TqvJSONstring::KindCode() const { return 2; }
std::string TqvJSONstring::KindName() const { return "jsString"; }

TqvVariant TqvJSONboolean::ReadVariant() const { return Flag; }
void TqvJSONboolean::WriteVariant(const TqvVariant& value) { Flag = VariantToBool(value); }
int TqvJSONboolean::KindCode() const { return 3; }
std::string TqvJSONboolean::KindName() const { return "jsBoolean"; }

int TqvJSONnull::KindCode() const { return 4; }
std::string TqvJSONnull::KindName() const { return "jsNull"; }

// ---- containers ----

TqvItemList::~TqvItemList() {
    while (count_) pop_back();
    json::FreeNode(slots_, std::size_t{capacity_} * sizeof(Slot));
}

void TqvItemList::push_back(std::unique_ptr<TqvJSONbase> node) {
    if (count_ == capacity_) reserve(capacity_ ? std::size_t{capacity_} * 2 : 1);
    new (&slots_[count_]) Slot(std::move(node));
    ++count_;
}

void TqvItemList::pop_back() {
    Slot& last = slots_[count_ - 1];
    last.reset();
    last.~Slot();
    --count_;
}

void TqvItemList::reserve(std::size_t capacity) {
    if (capacity <= capacity_) return;
    if (capacity > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("too many children");
    auto* slots = static_cast<Slot*>(json::AllocateNode(capacity * sizeof(Slot)));
    for (std::uint32_t i = 0; i < count_; ++i) {
        new (&slots[i]) Slot(std::move(slots_[i]));
        slots_[i].~Slot();
    }
    json::FreeNode(slots_, std::size_t{capacity_} * sizeof(Slot));
    slots_ = slots;
    capacity_ = static_cast<std::uint32_t>(capacity);
}

TqvJSONcustomlist::~TqvJSONcustomlist() { FreeItems(); }

void TqvJSONcustomlist::FreeItems() {
    while (!Items.empty()) Items.pop_back();
}

TqvJSONbase* TqvJSONcustomlist::ItemAt(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Items.size()) return nullptr;
    return Items[static_cast<std::size_t>(index)].get();
}

void TqvJSONcustomlist::ReplaceItemAt(std::int32_t index, std::unique_ptr<TqvJSONbase>&& node) {
    if (index < 0 || static_cast<std::size_t>(index) >= Items.size()) return;
    Items[static_cast<std::size_t>(index)] = std::move(node);
}

std::int32_t TqvJSONcustomlist::ItemCount() const { return static_cast<std::int32_t>(Items.size()); }

TqvJSONbase* TqvJSONcustomlist::Lookup(const TqvVariant& key) {
    if (const auto* number = std::get_if<double>(&key)) return ItemAt(SaturatingInt32(*number));
    return this;
}

TqvJSONbase* TqvJSONcustomlist::EntryAt(std::int32_t index, std::string& label) const {
    label = std::to_string(index);
    return ItemAt(index);
}

std::int32_t TqvJSONcustomlist::Append(std::unique_ptr<TqvJSONbase> node) {
    if (!node) return -1;
    Items.push_back(std::move(node));
    return static_cast<std::int32_t>(Items.size() - 1);
}

void TqvJSONcustomlist::RemoveAt(std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= Items.size()) return;
    const auto position = static_cast<std::size_t>(index);
    Items[position].reset();
    if (position + 1 != Items.size()) Items[position] = std::move(Items.back());
    Items.pop_back();
}

std::int32_t TqvJSONcustomlist::PositionOf(const TqvJSONbase* node) const {
    if (!node) return -1;
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (Items[i].get() == node) return static_cast<std::int32_t>(i);
    return -1;
}

std::int32_t TqvJSONcustomlist::IntAt(std::int32_t index) const { return IntOf(ItemAt(index)); }
std::string TqvJSONcustomlist::TextAt(std::int32_t index) const { return TextOfNode(ItemAt(index)); }
std::u16string TqvJSONcustomlist::WideTextAt(std::int32_t index) const { return WideTextOf(ItemAt(index)); }
long double TqvJSONcustomlist::RealAt(std::int32_t index) const { return RealOf(ItemAt(index)); }
bool TqvJSONcustomlist::FlagAt(std::int32_t index) const { return FlagOf(ItemAt(index)); }

int TqvJSONlist::KindCode() const { return 5; }
std::string TqvJSONlist::KindName() const { return "jsList"; }

// ---- object ----

TqvJSONobject::~TqvJSONobject() {
    // Children first, the name index after them.
    FreeItems();
}

TqvJSONbase* TqvJSONobject::Lookup(const TqvVariant& key) {
    if (const auto* name = std::get_if<std::u16string>(&key)) return ValueOf(*name);
    return TqvJSONcustomlist::Lookup(key);
}

int TqvJSONobject::KindCode() const { return 6; }
std::string TqvJSONobject::KindName() const { return "jsObject"; }

TqvJSONbase* TqvJSONobject::EntryAt(std::int32_t index, std::string& label) const {
    label = os::Utf16ToSystemCodePage(KeyAt(index));
    return ValueAt(index);
}

std::int32_t TqvJSONobject::IntAt(std::int32_t index) const { return IntOf(ValueAt(index)); }
std::string TqvJSONobject::TextAt(std::int32_t index) const { return TextOfNode(ValueAt(index)); }
std::u16string TqvJSONobject::WideTextAt(std::int32_t index) const { return WideTextOf(ValueAt(index)); }
long double TqvJSONobject::RealAt(std::int32_t index) const { return RealOf(ValueAt(index)); }
bool TqvJSONobject::FlagAt(std::int32_t index) const { return FlagOf(ValueAt(index)); }

// Items may hold other nodes or null after ReplaceItemAt; those have no key.
const TqvJSONobjectmethod* TqvJSONobject::MemberAt(std::int32_t index) const {
    return dynamic_cast<const TqvJSONobjectmethod*>(ItemAt(index));
}

std::int32_t TqvJSONobject::FindMember(std::u16string_view name) const {
    if (Indexed) return NameIndex.FindName(name);
    for (std::size_t i = 0; i < Items.size(); ++i) {
        const auto* member = dynamic_cast<const TqvJSONobjectmethod*>(Items[i].get());
        if (member && member->Key == name) return static_cast<std::int32_t>(i);
    }
    return -1;
}

TqvJSONbase* TqvJSONobject::ValueOf(std::u16string_view name) const {
    // The index may be stale after RemoveAt, so the position is checked again.
    const auto* member = MemberAt(FindMember(name));
    return member ? member->Content.get() : nullptr;
}

std::u16string TqvJSONobject::KeyAt(std::int32_t index) const {
    const auto* member = MemberAt(index);
    return member ? member->Key : std::u16string();
}

TqvJSONbase* TqvJSONobject::ValueAt(std::int32_t index) const {
    const auto* member = MemberAt(index);
    if (!member || member->Key.empty()) return nullptr;
    return ValueOf(member->Key);
}

std::string TqvJSONobject::TextOf(std::string_view name) const {
    return TextAt(FindMember(Utf8ToUtf16(os::SystemCodePageToUtf8(name))));
}

// ---- name index ----

namespace {

TqvBalNode sharedSentinel{&sharedSentinel, &sharedSentinel, 0, 0, {}};

static_assert(std::endian::native == std::endian::little, "names are compared a load of units at a time");

struct NameOrder {
    int order;           // of a against b
    std::size_t shared;  // leading units the two have in common
};

// Names in code-unit order, four units at a time while they agree (the lowest unit of a load
// is the first: both targets are little-endian), from a unit before which they agree.
NameOrder CompareNames(std::u16string_view a, std::u16string_view b, std::size_t from) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = from;
    for (; i + 4 <= common; i += 4) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y) {
            i += static_cast<std::size_t>(std::countr_zero(x ^ y) / 16);  // the first unit that differs
            return {a[i] < b[i] ? -1 : 1, i};
        }
    }
    for (; i < common; ++i)
        if (a[i] != b[i]) return {a[i] < b[i] ? -1 : 1, i};
    return {a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1), common};
}

// The link that holds name, or the sentinel link where it belongs, noting the links passed
// when a path is given. Every name between the nearest nodes passed on either side shares
// what the sought name shares with both, so each comparison starts after that.
template <class Link>
Link Locate(Link link, std::u16string_view name, Link* path, std::size_t& depth, std::size_t sharedBelow = 0,
            std::size_t sharedAbove = 0) {
    while (*link != TqvBalTree::Sentinel) {
        const NameOrder found = CompareNames(name, (*link)->Name, std::min(sharedBelow, sharedAbove));
        if (found.order == 0) break;
        if (path) path[depth++] = link;
        if (found.order < 0) {
            sharedAbove = found.shared;
            link = &(*link)->Left;
        } else {
            sharedBelow = found.shared;
            link = &(*link)->Right;
        }
    }
    return link;
}

void Skew(TqvBalNode*& node) {
    if (node->Left->Level != node->Level) return;
    TqvBalNode* left = node->Left;
    node->Left = left->Right;
    left->Right = node;
    node = left;
}

void Split(TqvBalNode*& node) {
    if (node->Right->Right->Level != node->Level) return;
    TqvBalNode* right = node->Right;
    node->Right = right->Left;
    right->Left = node;
    ++right->Level;
    node = right;
}

}  // namespace

TqvBalNode* const TqvBalTree::Sentinel = &sharedSentinel;

TqvBalTree::TqvBalTree() : Root(Sentinel) {}

TqvBalTree::~TqvBalTree() { RemoveAll(); }

namespace {

std::size_t BlockSize(std::size_t nameUnits) { return sizeof(TqvBalNode) + nameUnits * sizeof(char16_t); }

TqvBalNode* NewNode(std::u16string_view name, std::int32_t index) {
    void* const block = json::AllocateNode(BlockSize(name.size()));
    auto* const units = reinterpret_cast<char16_t*>(static_cast<TqvBalNode*>(block) + 1);
    std::copy(name.begin(), name.end(), units);
    return new (block) TqvBalNode{TqvBalTree::Sentinel, TqvBalTree::Sentinel, 1, index, {units, name.size()}};
}

void DeleteNode(TqvBalNode* node) { json::FreeNode(node, BlockSize(node->Name.size())); }

}  // namespace

bool TqvBalTree::AddName(std::u16string_view name, std::int32_t index) {
    TqvNameCursor cursor;
    return AddName(name, index, cursor);
}

bool TqvBalTree::AddName(std::u16string_view name, std::int32_t index, TqvNameCursor& cursor) {
    // Below this depth a search from the root costs no more than finding where to start.
    constexpr std::size_t kShallowest = 4;
    TqvBalNode*** const path = cursor.path_.data();
    TqvBalNode** start = &Root;
    std::size_t depth = 0, sharedBelow = 0, sharedAbove = 0;
    if (cursor.tree_ != this) {
        cursor.tree_ = this;
        cursor.kept_ = cursor.skip_ = cursor.backoff_ = 0;
    } else if (cursor.skip_) {
        --cursor.skip_;
    } else if (const std::size_t kept = cursor.kept_; kept >= kShallowest) {
        // Every name in the subtree there sorts after the nearest node passed going right and
        // before the nearest passed going left.
        TqvBalNode* below = nullptr;
        TqvBalNode* above = nullptr;
        for (std::size_t i = kept; i-- > 0 && !(below && above);) {
            TqvBalNode* const node = *path[i];
            if (path[i + 1] == &node->Right) below = below ? below : node;
            else above = above ? above : node;
        }
        NameOrder fromBelow{1, 0}, fromAbove{-1, 0};
        if (below) fromBelow = CompareNames(name, below->Name, 0);
        if (fromBelow.order > 0 && above) fromAbove = CompareNames(name, above->Name, 0);
        if (fromBelow.order > 0 && fromAbove.order < 0) {
            start = path[kept];
            depth = kept;
            sharedBelow = fromBelow.shared;
            sharedAbove = fromAbove.shared;
            cursor.backoff_ = 0;
        } else {
            // Names that fall elsewhere in a row are tried less and less often.
            cursor.backoff_ = std::min(2 * cursor.backoff_ + 1, 63u);
            cursor.skip_ = cursor.backoff_;
        }
    }
    TqvBalNode** const link = Locate(start, name, path, depth, sharedBelow, sharedAbove);
    if (*link != Sentinel) {
        cursor.kept_ = depth ? depth - 1 : 0;
        return false;
    }
    *link = NewNode(name, index);
    // A node's skew and split look at its children and its right grandchild only. Once two
    // links in a row keep their node and its level, every node above sees what it saw before
    // the insertion, where both were no-ops: the walk up ends there with the same tree, and
    // the links down to those two still hold their nodes.
    cursor.kept_ = 0;
    bool steadyBelow = false;
    while (depth) {
        TqvBalNode*& node = *path[--depth];
        const TqvBalNode* const before = node;
        const std::uint8_t level = node->Level;
        Skew(node);
        Split(node);
        const bool steady = node == before && node->Level == level;
        if (steady && steadyBelow) {
            cursor.kept_ = depth + 1;
            break;
        }
        steadyBelow = steady;
    }
    return true;
}

std::int32_t TqvBalTree::FindName(std::u16string_view name) const {
    std::size_t depth = 0;
    const TqvBalNode* node = *Locate<TqvBalNode* const*>(&Root, name, nullptr, depth);
    return node == Sentinel ? -1 : node->Index;
}

void TqvBalTree::FreeSubtree(TqvBalNode* node) {
    if (node == Sentinel) return;
    FreeSubtree(node->Left);
    FreeSubtree(node->Right);
    DeleteNode(node);
}

void TqvBalTree::RemoveAll() {
    FreeSubtree(Root);
    Root = Sentinel;
}

}  // namespace kx
