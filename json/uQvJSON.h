// The JSON reader: a tree of typed nodes, a lenient parser, and the name index of objects.
// Every node is owned by exactly one parent; the caller owns the root.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace kx {

// Null, a double, a UTF-16 string or a boolean.
using TqvVariant = std::variant<std::monostate, double, std::u16string, bool>;

// A typed accessor met a node of another kind, or a variant could not be converted.
class EInvalidTypeCast : public std::runtime_error {
public:
    EInvalidTypeCast() : std::runtime_error("Invalid type cast") {}
};

class TqvJSONbase {
public:
    TqvJSONbase() = default;
    TqvJSONbase(const TqvJSONbase&) = delete;
    TqvJSONbase& operator=(const TqvJSONbase&) = delete;
    virtual ~TqvJSONbase() = default;

    // Nodes live in pages shared by a document (the size is the dynamic type's).
    static void* operator new(std::size_t size);
    static void operator delete(void* node, std::size_t size) noexcept;

    virtual TqvVariant ReadVariant() const;
    // Scalars convert the value to their own kind (EInvalidTypeCast when it cannot be);
    // other nodes ignore it.
    virtual void WriteVariant(const TqvVariant& value);
    // Containers only: the child (an object's children are its members), else null.
    virtual TqvJSONbase* ItemAt(std::int32_t index) const;
    // Takes the node only when the position is in range; otherwise the caller keeps it.
    virtual void ReplaceItemAt(std::int32_t index, std::unique_ptr<TqvJSONbase>&& node);
    virtual std::int32_t ItemCount() const;
    // A numeric key indexes a container, a string key names an object member; any other
    // key, and any key on a scalar or member, gives this node.
    virtual TqvJSONbase* Lookup(const TqvVariant& key);
    virtual int KindCode() const;
    virtual std::string KindName() const;
};

class TqvJSONnumber : public TqvJSONbase {
    // Number rounds to a double on its own, except where it lies exactly halfway between two
    // doubles and its text lay off that point towards the odd one: then this is the lower of
    // the two in magnitude, which names the point. NaN otherwise, and of no weight once Number
    // lies elsewhere. Ahead of Number, in the room Number's alignment leaves.
    double tieBelow_;

public:
    TqvJSONnumber();
    explicit TqvJSONnumber(long double number);
    // One text's long double and double, each rounded once from it, and the double of that
    // long double.
    TqvJSONnumber(long double number, double nearest, double narrowed)
        : tieBelow_(narrowed == nearest ? std::numeric_limits<double>::quiet_NaN()
                                        : (std::fabs(narrowed) < std::fabs(nearest) ? narrowed : nearest)),
          Number(number) {}

    TqvVariant ReadVariant() const override;
    void WriteVariant(const TqvVariant& value) override;
    int KindCode() const override;
    std::string KindName() const override;

    long double Number = 0;
};

class TqvJSONstring : public TqvJSONbase {
public:
    TqvJSONstring() = default;
    explicit TqvJSONstring(std::u16string text) : Text(std::move(text)) {}

    TqvVariant ReadVariant() const override;
    void WriteVariant(const TqvVariant& value) override;
    int KindCode() const override;
    std::string KindName() const override;

    std::u16string Text;
};

class TqvJSONboolean : public TqvJSONbase {
public:
    TqvJSONboolean() = default;
    explicit TqvJSONboolean(bool flag) : Flag(flag) {}

    TqvVariant ReadVariant() const override;
    void WriteVariant(const TqvVariant& value) override;
    int KindCode() const override;
    std::string KindName() const override;

    bool Flag = false;
};

class TqvJSONnull : public TqvJSONbase {
public:
    int KindCode() const override;
    std::string KindName() const override;
};

// One member of an object.
class TqvJSONobjectmethod : public TqvJSONbase {
public:
    std::unique_ptr<TqvJSONbase> Content;
    std::u16string Key;
};

// The children of a container, in order: a growable array with half a vector's bookkeeping
// (an empty container is the commonest node of large documents), kept beside the nodes.
class TqvItemList {
public:
    TqvItemList() = default;
    TqvItemList(const TqvItemList&) = delete;
    TqvItemList& operator=(const TqvItemList&) = delete;
    ~TqvItemList();

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    std::unique_ptr<TqvJSONbase>& operator[](std::size_t index) { return slots_[index]; }
    const std::unique_ptr<TqvJSONbase>& operator[](std::size_t index) const { return slots_[index]; }
    std::unique_ptr<TqvJSONbase>& back() { return slots_[count_ - 1]; }
    void push_back(std::unique_ptr<TqvJSONbase> node);
    void pop_back();
    void reserve(std::size_t capacity);

private:
    using Slot = std::unique_ptr<TqvJSONbase>;
    Slot* slots_ = nullptr;  // the first count_ of capacity_ are constructed
    std::uint32_t count_ = 0;
    std::uint32_t capacity_ = 0;
};

class TqvJSONcustomlist : public TqvJSONbase {
public:
    ~TqvJSONcustomlist() override;

    TqvJSONbase* ItemAt(std::int32_t index) const override;
    void ReplaceItemAt(std::int32_t index, std::unique_ptr<TqvJSONbase>&& node) override;
    std::int32_t ItemCount() const override;
    TqvJSONbase* Lookup(const TqvVariant& key) override;

    virtual TqvJSONbase* EntryAt(std::int32_t index, std::string& label) const;
    // -1 and nothing stored for a null node.
    virtual std::int32_t Append(std::unique_ptr<TqvJSONbase> node);
    // Moves the last child into the freed place, so the order changes.
    virtual void RemoveAt(std::int32_t index);
    virtual std::int32_t PositionOf(const TqvJSONbase* node) const;
    // An absent node gives 0, "", false; a node of another kind throws EInvalidTypeCast.
    virtual std::int32_t IntAt(std::int32_t index) const;
    virtual std::string TextAt(std::int32_t index) const;  // system code page
    virtual std::u16string WideTextAt(std::int32_t index) const;
    virtual long double RealAt(std::int32_t index) const;
    virtual bool FlagAt(std::int32_t index) const;

    TqvItemList Items;

protected:
    TqvJSONcustomlist() = default;
    void FreeItems();
};

class TqvJSONlist : public TqvJSONcustomlist {
public:
    TqvJSONlist() = default;
    int KindCode() const override;
    std::string KindName() const override;
};

// Made and freed by its tree only, as one block in the document's pages: the node, then the
// units of its name, where a search that reaches the node finds them.
struct TqvBalNode {
    TqvBalNode* Left;
    TqvBalNode* Right;
    std::uint8_t Level;
    std::int32_t Index;
    std::u16string_view Name;  // the node's own copy, in its block
};

class TqvBalTree;

// What an insertion into a tree leaves for the next one into it: the links it went down, and
// how many of them from the root still hold the nodes they held. A name that falls below the
// deepest of those is looked for from there rather than from the root, and the tree comes out
// the same. Good only while its tree changes through AddName with this cursor alone.
class TqvNameCursor {
public:
    void Forget() { tree_ = nullptr; }

private:
    friend class TqvBalTree;
    const TqvBalTree* tree_ = nullptr;
    std::size_t kept_ = 0;          // path_[0..kept_] still lead from the root
    unsigned skip_ = 0, backoff_ = 0;  // insertions that go from the root after names fell elsewhere
    // A path is at most twice as long as the root's level, and a tree of level L has at least
    // 2^L - 1 nodes: none that fits in memory reaches level 64.
    std::array<TqvBalNode**, 128> path_;
};

// An AA tree from names to member positions, ordered by UTF-16 code units.
class TqvBalTree {
public:
    TqvBalTree();
    TqvBalTree(const TqvBalTree&) = delete;
    TqvBalTree& operator=(const TqvBalTree&) = delete;
    ~TqvBalTree();

    // False, and nothing stored, when the name is already present.
    bool AddName(std::u16string_view name, std::int32_t index);
    bool AddName(std::u16string_view name, std::int32_t index, TqvNameCursor& cursor);
    std::int32_t FindName(std::u16string_view name) const;  // -1 when absent
    void RemoveAll();

    // One sentinel, never written, serves every tree: an empty object costs no node.
    static TqvBalNode* const Sentinel;
    TqvBalNode* Root;

private:
    void FreeSubtree(TqvBalNode* node);
};

class TqvJSONobject : public TqvJSONcustomlist {
public:
    explicit TqvJSONobject(bool indexed) : Indexed(indexed) {}
    ~TqvJSONobject() override;

    TqvJSONbase* Lookup(const TqvVariant& key) override;
    int KindCode() const override;
    std::string KindName() const override;

    TqvJSONbase* EntryAt(std::int32_t index, std::string& label) const override;
    std::int32_t IntAt(std::int32_t index) const override;
    std::string TextAt(std::int32_t index) const override;
    std::u16string WideTextAt(std::int32_t index) const override;
    long double RealAt(std::int32_t index) const override;
    bool FlagAt(std::int32_t index) const override;

    // Position of the first member with this key, or -1.
    std::int32_t FindMember(std::u16string_view name) const;
    TqvJSONbase* ValueOf(std::u16string_view name) const;
    std::u16string KeyAt(std::int32_t index) const;
    // Resolved through the key: duplicates all give the first one's value, an empty key null.
    TqvJSONbase* ValueAt(std::int32_t index) const;
    std::string TextOf(std::string_view name) const;  // name and result in the system code page

    // Append and RemoveAt leave it as it is: the parser is its only maintainer.
    TqvBalTree NameIndex;
    const bool Indexed;

private:
    const TqvJSONobjectmethod* MemberAt(std::int32_t index) const;
};

class TqvJSON {
public:
    // The root of the first value in the text, or null when there is none; never throws
    // for any input. Bytes after that value are not looked at.
    static std::unique_ptr<TqvJSONbase> ParseDocument(std::string_view text);
};

}  // namespace kx
