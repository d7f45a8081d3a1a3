// The name index: AA-tree invariants after many insertions, and its link to parsed objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "uQvJSON.h"

namespace kx {
namespace {

std::u16string NameOf(int i) {
    const std::string digits = std::to_string(i);
    return u"name" + std::u16string(digits.begin(), digits.end());
}

// Checks the AA-tree rules below node and appends the names in order; returns the node count.
int CheckSubtree(const TqvBalTree& tree, const TqvBalNode* node, std::vector<std::u16string>& names) {
    const TqvBalNode* sentinel = tree.Sentinel;
    if (node == sentinel) return 0;
    EXPECT_NE(node, nullptr);
    if (!node) return 0;
    EXPECT_GE(node->Level, 1);
    // A left child is one level down; a right child at most one down, and a right grandchild
    // is always strictly below.
    EXPECT_EQ(node->Left->Level + 1, node->Level);
    EXPECT_TRUE(node->Right->Level == node->Level || node->Right->Level + 1 == node->Level);
    EXPECT_LT(node->Right->Right->Level, node->Level);
    if (node->Level > 1) {
        EXPECT_NE(node->Left, sentinel);
        EXPECT_NE(node->Right, sentinel);
    }
    const int left = CheckSubtree(tree, node->Left, names);
    names.emplace_back(node->Name.begin(), node->Name.end());
    return left + 1 + CheckSubtree(tree, node->Right, names);
}

void CheckTree(const TqvBalTree& tree, std::size_t expectedCount) {
    ASSERT_EQ(tree.Sentinel->Level, 0);
    ASSERT_EQ(tree.Sentinel->Left, tree.Sentinel);
    ASSERT_EQ(tree.Sentinel->Right, tree.Sentinel);
    std::vector<std::u16string> names;
    EXPECT_EQ(static_cast<std::size_t>(CheckSubtree(tree, tree.Root, names)), expectedCount);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

// The textbook AA tree, recursive and rebalancing every node on the way back up: the index
// must come out in exactly its shape, however its insertion cuts that walk short.
struct ReferenceNode {
    std::u16string name;
    int level = 1;
    std::unique_ptr<ReferenceNode> left, right;
};
using ReferenceLink = std::unique_ptr<ReferenceNode>;

void ReferenceInsert(ReferenceLink& node, const std::u16string& name) {
    if (!node) {
        node = std::make_unique<ReferenceNode>();
        node->name = name;
        return;
    }
    if (name == node->name) return;
    ReferenceInsert(name < node->name ? node->left : node->right, name);
    if (node->left && node->left->level == node->level) {  // skew
        ReferenceLink left = std::move(node->left);
        node->left = std::move(left->right);
        left->right = std::move(node);
        node = std::move(left);
    }
    if (node->right && node->right->right && node->right->right->level == node->level) {  // split
        ReferenceLink right = std::move(node->right);
        node->right = std::move(right->left);
        right->left = std::move(node);
        ++right->level;
        node = std::move(right);
    }
}

// Pre-order names and levels, "-" for an empty subtree.
void Shape(const ReferenceNode* node, std::vector<std::string>& out) {
    if (!node) return out.push_back("-");
    out.push_back(std::string(node->name.begin(), node->name.end()) + "@" + std::to_string(node->level));
    Shape(node->left.get(), out);
    Shape(node->right.get(), out);
}

void Shape(const TqvBalTree& tree, const TqvBalNode* node, std::vector<std::string>& out) {
    if (node == tree.Sentinel) return out.push_back("-");
    out.push_back(std::string(node->Name.begin(), node->Name.end()) + "@" + std::to_string(node->Level));
    Shape(tree, node->Left, out);
    Shape(tree, node->Right, out);
}

class NameIndexOrder : public ::testing::TestWithParam<const char*> {};

TEST_P(NameIndexOrder, StaysBalancedOrderedAndComplete) {
    constexpr int kCount = 3000;
    std::vector<int> order(kCount);
    for (int i = 0; i < kCount; ++i) order[static_cast<std::size_t>(i)] = i;
    std::vector<std::u16string> names;
    for (int i : order) names.push_back(NameOf(i));
    const std::string mode = GetParam();
    if (mode == "sorted") std::sort(names.begin(), names.end());
    if (mode == "reversed") std::sort(names.rbegin(), names.rend());
    if (mode == "shuffled") std::shuffle(names.begin(), names.end(), std::mt19937(7));
    if (mode == "runs") {  // sorted runs of fifty, the runs in random order
        std::sort(names.begin(), names.end());
        std::vector<std::vector<std::u16string>> runs;
        for (std::size_t i = 0; i < names.size(); i += 50)
            runs.emplace_back(names.begin() + static_cast<std::ptrdiff_t>(i), names.begin() + static_cast<std::ptrdiff_t>(i + 50));
        std::shuffle(runs.begin(), runs.end(), std::mt19937(11));
        names.clear();
        for (const auto& run : runs) names.insert(names.end(), run.begin(), run.end());
    }

    // One tree from the root each time, one through a cursor that also sees names again.
    TqvBalTree tree, cursorTree;
    TqvNameCursor cursor;
    ReferenceLink reference;
    std::mt19937 random(3);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_TRUE(tree.AddName(names[i], static_cast<std::int32_t>(i)));
        ASSERT_TRUE(cursorTree.AddName(names[i], static_cast<std::int32_t>(i), cursor));
        if (random() % 5 == 0) {
            ASSERT_FALSE(cursorTree.AddName(names[random() % (i + 1)], -1, cursor));
        }
        ReferenceInsert(reference, names[i]);
        if (i % 97 == 0 || i + 1 == names.size()) {  // the same shape all along, not only at the end
            std::vector<std::string> expected, actual, throughCursor;
            Shape(reference.get(), expected);
            Shape(tree, tree.Root, actual);
            Shape(cursorTree, cursorTree.Root, throughCursor);
            ASSERT_EQ(actual, expected) << "after " << i + 1 << " names";
            ASSERT_EQ(throughCursor, expected) << "after " << i + 1 << " names";
        }
    }
    CheckTree(tree, names.size());
    for (std::size_t i = 0; i < names.size(); ++i) ASSERT_EQ(cursorTree.FindName(names[i]), static_cast<std::int32_t>(i));
    // Logarithmic height: an AA tree's level is at most log2(n + 1).
    EXPECT_LE(tree.Root->Level, 12);
    for (std::size_t i = 0; i < names.size(); ++i) ASSERT_EQ(tree.FindName(names[i]), static_cast<std::int32_t>(i));

    // Re-adding is refused and changes neither the shape nor the stored positions.
    for (std::size_t i = 0; i < names.size(); i += 7) EXPECT_FALSE(tree.AddName(names[i], -5));
    CheckTree(tree, names.size());
    EXPECT_EQ(tree.FindName(names[0]), 0);
    EXPECT_EQ(tree.FindName(u"name"), -1);
    EXPECT_EQ(tree.FindName(u"name00"), -1);

    tree.RemoveAll();
    EXPECT_EQ(tree.Root, tree.Sentinel);
    EXPECT_EQ(tree.FindName(names[0]), -1);
    EXPECT_TRUE(tree.AddName(u"again", 1));
    CheckTree(tree, 1);
}

// "document" is the order of a generated object's members: name0, name1, ..., name2999.
INSTANTIATE_TEST_SUITE_P(Orders, NameIndexOrder, ::testing::Values("document", "sorted", "reversed", "shuffled", "runs"));

TEST(NameIndex, OrdinalUtf16OrderWithPrefixesFirst) {
    TqvBalTree tree;
    const std::vector<std::u16string> names = {u"b", u"a", u"ab", u"", u"B", u"\u00E9", u"\uFFFF", std::u16string{u'a', 0},
                                               std::u16string{0xD83D, 0xDE00}, u"\u0100"};
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_TRUE(tree.AddName(names[i], static_cast<std::int32_t>(i)));
    std::vector<std::u16string> inOrder;
    CheckSubtree(tree, tree.Root, inOrder);
    const std::vector<std::u16string> expected = {u"", u"B", u"a", std::u16string{u'a', 0}, u"ab", u"b",
                                                  u"\u00E9", u"\u0100", std::u16string{0xD83D, 0xDE00}, u"\uFFFF"};
    EXPECT_EQ(inOrder, expected);
}

// Each node keeps its own copy of the name in its block, small ones among the document's
// nodes and long ones on the heap: the copies outlive the caller's text and keep every unit.
TEST(NameIndex, NamesOfAnyLengthAreCopiedWhole) {
    TqvBalTree tree;
    std::vector<std::u16string> names;
    for (const std::size_t length : {0, 1, 3, 4, 5, 107, 108, 109, 110, 300, 70000}) {
        std::u16string name(length, u'x');
        for (std::size_t i = 0; i < length; i += 7) name[i] = static_cast<char16_t>(0xD800 + i % 0x800);
        names.push_back(name);
        if (length) names.push_back(name.substr(0, length - 1) + u'\xFFFF');  // differs in the last unit only
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::u16string scratch = names[i];
        ASSERT_TRUE(tree.AddName(scratch, static_cast<std::int32_t>(i)));
        scratch.assign(scratch.size(), u'?');  // the index must not look at the caller's copy again
    }
    CheckTree(tree, names.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(tree.FindName(names[i]), static_cast<std::int32_t>(i)) << names[i].size();
    EXPECT_EQ(tree.FindName(std::u16string(70001, u'x')), -1);

    const std::string longKey(5000, 'k');
    auto doc = TqvJSON::ParseDocument("{\"" + longKey + "\":1,\"" + longKey + "x\":2,\"\":3}");
    auto* object = dynamic_cast<TqvJSONobject*>(doc.get());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->FindMember(std::u16string(longKey.begin(), longKey.end()) + u"x"), 1);
    EXPECT_EQ(object->FindMember(u""), 2);
    CheckTree(object->NameIndex, 3);
}

// The parser adds an object's names through one cursor, which a member holding an object
// takes away: each index still has the textbook shape of its first names in document order.
TEST(NameIndex, ParsedObjectsNestedInOneAnotherKeepTheirShapes) {
    std::string text = "{";
    ReferenceLink outer, inner;
    std::vector<std::string> innerShapes;
    for (int i = 0; i < 1500; ++i) {
        const std::string name = "member" + std::to_string(i % 1400);  // the last hundred again
        text += "\"" + name + "\":";
        if (i % 150 == 149) {
            text += "{";
            inner.reset();
            for (int j = 0; j < 40; ++j) {
                const std::string innerName = "in" + std::to_string((j * 7) % 40);
                text += "\"" + innerName + "\":" + std::to_string(j) + ",";
                ReferenceInsert(inner, std::u16string(innerName.begin(), innerName.end()));
            }
            text += "}";
            Shape(inner.get(), innerShapes);
        } else {
            text += std::to_string(i);
        }
        text += ",";
        ReferenceInsert(outer, std::u16string(name.begin(), name.end()));
    }
    text += "}";
    const auto doc = TqvJSON::ParseDocument(text);
    const auto* object = dynamic_cast<const TqvJSONobject*>(doc.get());
    ASSERT_NE(object, nullptr);
    std::vector<std::string> expected, actual, nested;
    Shape(outer.get(), expected);
    Shape(object->NameIndex, object->NameIndex.Root, actual);
    EXPECT_EQ(actual, expected);
    for (std::int32_t i = 149; i < object->ItemCount(); i += 150) {
        const auto* member = dynamic_cast<const TqvJSONobjectmethod*>(object->ItemAt(i));
        ASSERT_NE(member, nullptr) << i;
        const auto* value = dynamic_cast<const TqvJSONobject*>(member->Content.get());
        ASSERT_NE(value, nullptr) << i;
        Shape(value->NameIndex, value->NameIndex.Root, nested);
    }
    EXPECT_EQ(nested, innerShapes);
}

TEST(NameIndex, ParsedObjectsIndexEveryDistinctNameAtItsFirstMember) {
    std::mt19937 random(99);
    std::string text = "{";
    std::vector<std::u16string> keys;
    for (int i = 0; i < 2000; ++i) {
        const int id = static_cast<int>(random() % 700);  // plenty of duplicates
        text += "\"k" + std::to_string(id) + "\":" + std::to_string(i) + ",";
        const std::string key = "k" + std::to_string(id);
        keys.emplace_back(key.begin(), key.end());
    }
    text += "}";
    auto doc = TqvJSON::ParseDocument(text);
    auto* object = dynamic_cast<TqvJSONobject*>(doc.get());
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->ItemCount(), 2000);

    std::map<std::u16string, int> first;
    for (int i = 0; i < 2000; ++i) first.emplace(keys[static_cast<std::size_t>(i)], i);
    CheckTree(object->NameIndex, first.size());
    for (const auto& [key, position] : first) {
        ASSERT_EQ(object->FindMember(key), position);
        ASSERT_EQ(object->IntAt(position), position);
    }
    // Every duplicate resolves to its first member's value.
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(object->IntAt(i), first[keys[static_cast<std::size_t>(i)]]);
}

}  // namespace
}  // namespace kx
