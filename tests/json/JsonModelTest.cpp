// The node classes: kinds, variants, container operations, typed accessors and ownership.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Os.h"
#include "uQvJSON.h"

namespace kx {
namespace {

using ::testing::ElementsAre;

// Records its own destruction, to observe ownership and freeing order.
class Probe : public TqvJSONnull {
public:
    Probe(std::vector<int>& log, int id) : log_(log), id_(id) {}
    ~Probe() override { log_.push_back(id_); }

private:
    std::vector<int>& log_;
    int id_;
};

class BareList : public TqvJSONcustomlist {};

std::unique_ptr<TqvJSONobject> ParseObject(std::string_view text) {
    auto doc = TqvJSON::ParseDocument(text);
    auto* object = dynamic_cast<TqvJSONobject*>(doc.get());
    if (!object) return nullptr;
    doc.release();
    return std::unique_ptr<TqvJSONobject>(object);
}

std::unique_ptr<TqvJSONlist> ParseList(std::string_view text) {
    auto doc = TqvJSON::ParseDocument(text);
    auto* list = dynamic_cast<TqvJSONlist*>(doc.get());
    if (!list) return nullptr;
    doc.release();
    return std::unique_ptr<TqvJSONlist>(list);
}

std::unique_ptr<TqvJSONobjectmethod> MemberOf(std::u16string key, std::unique_ptr<TqvJSONbase> content) {
    auto member = std::make_unique<TqvJSONobjectmethod>();
    member->Key = std::move(key);
    member->Content = std::move(content);
    return member;
}

TEST(JsonKinds, CodesAndNamesOfEveryClass) {
    TqvJSONbase base;
    TqvJSONobjectmethod member;
    BareList bare;
    TqvJSONnumber number;
    TqvJSONstring string;
    TqvJSONboolean boolean;
    TqvJSONnull null;
    TqvJSONlist list;
    TqvJSONobject object(true);
    const std::vector<std::pair<const TqvJSONbase*, const char*>> table = {
        {&base, "jsBase"},      {&member, "jsBase"},       {&bare, "jsBase"},
        {&number, "jsNumber"},  {&string, "jsString"},     {&boolean, "jsBoolean"},
        {&null, "jsNull"},      {&list, "jsList"},         {&object, "jsObject"}};
    const int codes[] = {0, 0, 0, 1, 2, 3, 4, 5, 6};
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].first->KindCode(), codes[i]) << table[i].second;
        EXPECT_EQ(table[i].first->KindName(), table[i].second);
    }
    EXPECT_EQ(number.Number, 0.0L);
    EXPECT_TRUE(string.Text.empty());
    EXPECT_FALSE(boolean.Flag);
    EXPECT_EQ(member.Content, nullptr);
}

TEST(JsonVariants, ScalarsReadTheirValueOthersReadNull) {
    EXPECT_EQ(TqvJSONnumber(2.5L).ReadVariant(), TqvVariant(2.5));
    EXPECT_EQ(TqvJSONstring(u"x").ReadVariant(), TqvVariant(std::u16string(u"x")));
    EXPECT_EQ(TqvJSONboolean(true).ReadVariant(), TqvVariant(true));
    EXPECT_EQ(TqvJSONnull().ReadVariant(), TqvVariant());
    EXPECT_EQ(TqvJSONlist().ReadVariant(), TqvVariant());
    // Beyond the double range the value saturates to infinity instead of being undefined.
    EXPECT_EQ(TqvJSONnumber(1e400L).ReadVariant(), TqvVariant(std::numeric_limits<double>::infinity()));
    EXPECT_EQ(TqvJSONnumber(-1e400L).ReadVariant(), TqvVariant(-std::numeric_limits<double>::infinity()));
}

TEST(JsonVariants, ANumberOnADoubleTieReadsAsItsTextOnlyUntilItChanges) {
    const long double tie = 1.0L + std::ldexp(1.0L, -53);
    EXPECT_EQ(TqvJSONnumber(tie).ReadVariant(), TqvVariant(1.0));  // ties to even
    const auto doc = TqvJSON::ParseDocument("[1.00000000000000011102230246251565404236316680908203126]");
    auto& number = dynamic_cast<TqvJSONnumber&>(*doc->ItemAt(0));
    ASSERT_EQ(number.Number, tie);
    EXPECT_EQ(number.ReadVariant(), TqvVariant(1.0000000000000002));
    number.Number = 3.5L;
    EXPECT_EQ(number.ReadVariant(), TqvVariant(3.5));
    number.Number = 1.0L + std::ldexp(3.0L, -53);  // the next tie up, which goes to even too
    EXPECT_EQ(number.ReadVariant(), TqvVariant(1.0000000000000004));
}

TEST(JsonVariants, WriteConvertsToTheNodesKind) {
    TqvJSONnumber number;
    number.WriteVariant(3.25);
    EXPECT_EQ(number.Number, 3.25L);
    number.WriteVariant(true);
    EXPECT_EQ(number.Number, 1.0L);
    number.WriteVariant(std::u16string(u"-1.5e2"));
    EXPECT_EQ(number.Number, -150.0L);
    EXPECT_THROW(number.WriteVariant(std::u16string(u"1.5x")), EInvalidTypeCast);
    EXPECT_THROW(number.WriteVariant(std::u16string(u"")), EInvalidTypeCast);
    EXPECT_THROW(number.WriteVariant(TqvVariant()), EInvalidTypeCast);
    EXPECT_EQ(number.Number, -150.0L);

    TqvJSONstring string;
    string.WriteVariant(0.5);
    EXPECT_EQ(string.Text, u"0.5");
    string.WriteVariant(false);
    EXPECT_EQ(string.Text, u"false");
    string.WriteVariant(std::u16string(u"\u00E9"));
    EXPECT_EQ(string.Text, u"\u00E9");
    EXPECT_THROW(string.WriteVariant(TqvVariant()), EInvalidTypeCast);

    TqvJSONboolean boolean;
    boolean.WriteVariant(2.0);
    EXPECT_TRUE(boolean.Flag);
    boolean.WriteVariant(std::u16string(u"FALSE"));
    EXPECT_FALSE(boolean.Flag);
    EXPECT_THROW(boolean.WriteVariant(std::u16string(u"yes")), EInvalidTypeCast);

    TqvJSONnull null;
    TqvJSONlist list;
    EXPECT_NO_THROW(null.WriteVariant(1.0));
    EXPECT_NO_THROW(list.WriteVariant(TqvVariant()));
}

TEST(JsonContainers, ItemAtIsBoundedAndScalarsHaveNoChildren) {
    auto list = ParseList("[10, 20]");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ItemAt(-1), nullptr);
    EXPECT_EQ(list->ItemAt(2), nullptr);
    EXPECT_EQ(list->ItemAt(std::numeric_limits<std::int32_t>::min()), nullptr);
    EXPECT_EQ(list->ItemAt(1)->KindCode(), 1);
    EXPECT_EQ(list->ItemAt(0)->ItemAt(0), nullptr);
    EXPECT_EQ(list->ItemAt(0)->ItemCount(), 0);

    auto object = ParseObject(R"({"a": 1})");
    ASSERT_NE(object, nullptr);
    auto* member = dynamic_cast<TqvJSONobjectmethod*>(object->ItemAt(0));
    ASSERT_NE(member, nullptr);  // an object's children are its members
    EXPECT_EQ(member->Key, u"a");
    EXPECT_EQ(member->ItemAt(0), nullptr);
    EXPECT_EQ(member->ItemCount(), 0);
}

TEST(JsonContainers, AppendReplaceRemoveAndPositionOf) {
    std::vector<int> freed;
    TqvJSONlist list;
    EXPECT_EQ(list.Append(nullptr), -1);
    EXPECT_EQ(list.ItemCount(), 0);
    for (int id = 0; id < 3; ++id) EXPECT_EQ(list.Append(std::make_unique<Probe>(freed, id)), id);
    const TqvJSONbase* third = list.ItemAt(2);
    EXPECT_EQ(list.PositionOf(third), 2);
    EXPECT_EQ(list.PositionOf(nullptr), -1);
    TqvJSONnull stranger;
    EXPECT_EQ(list.PositionOf(&stranger), -1);

    list.RemoveAt(0);  // the last child moves into the gap
    EXPECT_THAT(freed, ElementsAre(0));
    EXPECT_EQ(list.ItemCount(), 2);
    EXPECT_EQ(list.ItemAt(0), third);
    EXPECT_EQ(list.PositionOf(third), 0);
    list.RemoveAt(2);
    list.RemoveAt(-1);
    EXPECT_EQ(list.ItemCount(), 2);

    list.ReplaceItemAt(1, std::make_unique<Probe>(freed, 10));
    EXPECT_THAT(freed, ElementsAre(0, 1));
    std::unique_ptr<TqvJSONbase> spare = std::make_unique<Probe>(freed, 11);
    const TqvJSONbase* spareNode = spare.get();
    for (std::int32_t outside : {5, 2, -1}) {
        list.ReplaceItemAt(outside, std::move(spare));  // not stored: the caller keeps it
        EXPECT_EQ(spare.get(), spareNode);
    }
    EXPECT_THAT(freed, ElementsAre(0, 1));
    EXPECT_EQ(list.ItemCount(), 2);
    spare.reset();
    EXPECT_THAT(freed, ElementsAre(0, 1, 11));

    list.RemoveAt(1);  // removing the last child itself
    EXPECT_THAT(freed, ElementsAre(0, 1, 11, 10));
    EXPECT_EQ(list.ItemAt(0), third);

    list.ReplaceItemAt(0, nullptr);  // an empty slot reads as absent
    EXPECT_THAT(freed, ElementsAre(0, 1, 11, 10, 2));
    EXPECT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(list.ItemAt(0), nullptr);
    EXPECT_EQ(list.IntAt(0), 0);
    list.ReplaceItemAt(0, std::make_unique<TqvJSONnumber>(4));
    EXPECT_EQ(list.IntAt(0), 4);
}

TEST(JsonContainers, FreeingGoesFromTheLastChildToTheFirstAndIntoMembers) {
    std::vector<int> freed;
    {
        TqvJSONlist outer;
        outer.Append(std::make_unique<Probe>(freed, 1));
        auto inner = std::make_unique<TqvJSONobject>(false);
        inner->Append(MemberOf(u"x", std::make_unique<Probe>(freed, 2)));
        inner->Append(MemberOf(u"y", std::make_unique<Probe>(freed, 3)));
        outer.Append(std::move(inner));
        outer.Append(std::make_unique<Probe>(freed, 4));
    }
    EXPECT_THAT(freed, ElementsAre(4, 3, 2, 1));
}

TEST(JsonAccessors, ListTypedAccessors) {
    auto list = ParseList(R"([2.9, -2.9, "t\u00e9", true, null, [], 1e10, -1e10, 2147483647.9, -2147483648.9])");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->IntAt(0), 2);  // truncated toward zero
    EXPECT_EQ(list->IntAt(1), -2);
    EXPECT_EQ(list->RealAt(0), 2.9L);
    EXPECT_EQ(list->WideTextAt(2), u"t\u00E9");
    EXPECT_EQ(list->TextAt(2), os::Utf16ToSystemCodePage(u"t\u00E9"));
    EXPECT_TRUE(list->FlagAt(3));
    // Beyond the 32-bit range the result saturates.
    EXPECT_EQ(list->IntAt(6), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(list->IntAt(7), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(list->IntAt(8), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(list->IntAt(9), std::numeric_limits<std::int32_t>::min());

    // Absent nodes give neutral values.
    EXPECT_EQ(list->IntAt(99), 0);
    EXPECT_EQ(list->RealAt(-1), 0.0L);
    EXPECT_EQ(list->TextAt(99), "");
    EXPECT_EQ(list->WideTextAt(99), u"");
    EXPECT_FALSE(list->FlagAt(99));

    // Present nodes of another kind raise the error, null included.
    EXPECT_THROW(list->IntAt(2), EInvalidTypeCast);
    EXPECT_THROW(list->RealAt(3), EInvalidTypeCast);
    EXPECT_THROW(list->TextAt(0), EInvalidTypeCast);
    EXPECT_THROW(list->WideTextAt(4), EInvalidTypeCast);
    EXPECT_THROW(list->FlagAt(5), EInvalidTypeCast);
    try {
        list->TextAt(0);
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Invalid type cast");
    }
}

TEST(JsonAccessors, IntAtOnNaNAndInfinityIsDefined) {
    TqvJSONlist list;
    list.Append(std::make_unique<TqvJSONnumber>(std::numeric_limits<long double>::quiet_NaN()));
    list.Append(std::make_unique<TqvJSONnumber>(std::numeric_limits<long double>::infinity()));
    list.Append(std::make_unique<TqvJSONnumber>(-std::numeric_limits<long double>::infinity()));
    EXPECT_EQ(list.IntAt(0), 0);
    EXPECT_EQ(list.IntAt(1), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(list.IntAt(2), std::numeric_limits<std::int32_t>::min());
}

TEST(JsonAccessors, ObjectAccessorsResolveThroughTheKey) {
    auto object = ParseObject(R"({"n":7,"s":"v","b":false,"n":8,"":true})");
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->IntAt(0), 7);
    EXPECT_EQ(object->IntAt(3), 7);  // the duplicate yields the first one's content
    EXPECT_EQ(object->TextAt(1), "v");
    EXPECT_FALSE(object->FlagAt(2));
    EXPECT_FALSE(object->FlagAt(4));  // an empty key has no value by position
    EXPECT_EQ(object->ValueAt(4), nullptr);
    EXPECT_NE(object->ValueOf(u""), nullptr);
    EXPECT_EQ(object->KeyAt(3), u"n");
    EXPECT_EQ(object->KeyAt(5), u"");
    EXPECT_EQ(object->KeyAt(-1), u"");
    EXPECT_THROW(object->TextAt(0), EInvalidTypeCast);

    EXPECT_EQ(object->TextOf("s"), "v");
    EXPECT_EQ(object->TextOf("missing"), "");
    EXPECT_THROW(object->TextOf("n"), EInvalidTypeCast);
    EXPECT_EQ(object->FindMember(u"b"), 2);
    EXPECT_EQ(object->FindMember(u"B"), -1);
}

TEST(JsonAccessors, EntryAtLabels) {
    auto list = ParseList("[5, 6]");
    ASSERT_NE(list, nullptr);
    std::string label;
    EXPECT_EQ(list->EntryAt(1, label), list->ItemAt(1));
    EXPECT_EQ(label, "1");
    EXPECT_EQ(list->EntryAt(7, label), nullptr);
    EXPECT_EQ(label, "7");

    auto object = ParseObject(R"({"caf\u00e9": 1, "k": 2})");
    ASSERT_NE(object, nullptr);
    TqvJSONcustomlist& container = *object;  // the override is reached through the base
    EXPECT_EQ(container.EntryAt(0, label), object->ValueOf(u"caf\u00E9"));
    EXPECT_EQ(label, os::Utf16ToSystemCodePage(u"caf\u00E9"));
    EXPECT_EQ(container.EntryAt(1, label), object->ValueOf(u"k"));
    EXPECT_EQ(label, "k");
    EXPECT_EQ(container.EntryAt(2, label), nullptr);
    EXPECT_EQ(label, "");
}

TEST(JsonLookup, KeysSelectByKindOfContainer) {
    auto list = ParseList(R"([10, {"a": 20}])");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Lookup(1.0), list->ItemAt(1));
    EXPECT_EQ(list->Lookup(0.9), list->ItemAt(0));
    EXPECT_EQ(list->Lookup(5.0), nullptr);
    EXPECT_EQ(list->Lookup(std::nan("")), list->ItemAt(0));
    EXPECT_EQ(list->Lookup(std::u16string(u"a")), list.get());
    EXPECT_EQ(list->Lookup(true), list.get());
    EXPECT_EQ(list->Lookup(TqvVariant()), list.get());

    auto& object = dynamic_cast<TqvJSONobject&>(*list->ItemAt(1));
    EXPECT_EQ(object.Lookup(std::u16string(u"a")), object.ValueOf(u"a"));
    EXPECT_EQ(object.Lookup(std::u16string(u"b")), nullptr);
    EXPECT_EQ(object.Lookup(0.0), object.ItemAt(0));  // the member, not its content
    EXPECT_EQ(object.Lookup(false), &object);

    TqvJSONbase* scalar = list->ItemAt(0);
    EXPECT_EQ(scalar->Lookup(0.0), scalar);
    TqvJSONbase* member = object.ItemAt(0);
    EXPECT_EQ(member->Lookup(std::u16string(u"a")), member);
}

TEST(JsonObjects, UnindexedObjectsScanFromTheFirstMember) {
    TqvJSONobject object(false);
    object.Append(MemberOf(u"a", std::make_unique<TqvJSONnumber>(1)));
    object.Append(MemberOf(u"b", std::make_unique<TqvJSONnumber>(2)));
    object.Append(MemberOf(u"a", std::make_unique<TqvJSONnumber>(3)));
    EXPECT_EQ(object.FindMember(u"a"), 0);
    EXPECT_EQ(object.FindMember(u"b"), 1);
    EXPECT_EQ(object.FindMember(u"ab"), -1);
    EXPECT_EQ(object.IntAt(2), 1);
    EXPECT_EQ(object.NameIndex.Root, object.NameIndex.Sentinel);

    // A non-member child has no key and is skipped by the scan.
    object.ReplaceItemAt(0, std::make_unique<TqvJSONnumber>(9));
    EXPECT_EQ(object.KeyAt(0), u"");
    EXPECT_EQ(object.FindMember(u"a"), 2);
    EXPECT_EQ(object.IntAt(2), 3);
}

TEST(JsonObjects, AppendDoesNotIndexAndRemoveLeavesTheIndexStaleButSafe) {
    auto object = ParseObject(R"({"a":1,"b":2,"c":3})");
    ASSERT_NE(object, nullptr);
    object->Append(MemberOf(u"d", std::make_unique<TqvJSONnumber>(4)));
    EXPECT_EQ(object->FindMember(u"d"), -1);
    EXPECT_EQ(object->ValueOf(u"d"), nullptr);

    object->RemoveAt(0);  // "d" moves to 0; the index still says a=0, c=2, d absent
    object->RemoveAt(2);  // "c" goes; its indexed position is now past the end
    EXPECT_EQ(object->ItemCount(), 2);
    EXPECT_EQ(object->FindMember(u"c"), 2);
    EXPECT_EQ(object->ValueOf(u"c"), nullptr);
    EXPECT_EQ(object->IntAt(1), 2);
}

}  // namespace
}  // namespace kx
