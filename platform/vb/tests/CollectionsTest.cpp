#include <gtest/gtest.h>

#include <memory>

#include "Support.h"
#include "vb/Collection.h"
#include "vb/Dictionary.h"

using vb::Variant;
using vbtest::errorOf;

namespace {

std::vector<std::string> walk(vb::Object& o) {
    std::vector<std::string> out;
    auto e = o.enumerate();
    Variant v;
    while (e->next(v)) out.push_back(vb::CStr(v));
    return out;
}

using Texts = std::vector<std::string>;

}  // namespace

TEST(Collection, OrderKeysAndPositions) {
    vb::Collection c;
    c.Add("a", "KA");
    c.Add("c");
    c.Add("b", "kb", 2);  // before item 2
    c.Add("first", Variant::missing(), "ka");
    c.Add("last", "kz", Variant::missing(), 4);  // after item 4
    EXPECT_EQ(walk(c), (Texts{"first", "a", "b", "c", "last"}));
    EXPECT_EQ(c.Count(), 5);
    EXPECT_EQ(vb::CStr(c.Item(2)), "a");
    EXPECT_EQ(vb::CStr(c.Item("KB")), "b");
    EXPECT_EQ(vb::CStr(c.Item(2.6)), "b");  // index rounds half to even
    c.Item(1) = "changed";
    EXPECT_EQ(vb::CStr(c.Item(1)), "changed");
    c.Remove("ka");
    c.Remove(1);
    EXPECT_EQ(walk(c), (Texts{"b", "c", "last"}));
    EXPECT_EQ(errorOf([&] { c.Item("ka"); }), 5);
    c.Add("again", "KA");  // a removed key may be used again
    EXPECT_EQ(vb::CStr(c.Item("ka")), "again");
}

TEST(Collection, ErrorsCarryTheLanguagesNumbers) {
    vb::Collection c;
    c.Add(1, "x");
    EXPECT_EQ(errorOf([&] { c.Add(2, "X"); }), 457);
    EXPECT_EQ(errorOf([&] { c.Item(0); }), 9);
    EXPECT_EQ(errorOf([&] { c.Item(2); }), 9);
    EXPECT_EQ(errorOf([&] { c.Item("nope"); }), 5);
    EXPECT_EQ(errorOf([&] { c.Remove(5); }), 9);
    EXPECT_EQ(errorOf([&] { c.Add(3, Variant::missing(), 1, 1); }), 5);
    EXPECT_EQ(c.Count(), 1);
}

TEST(Collection, LateBoundMembers) {
    auto c = std::make_shared<vb::Collection>();
    std::vector<Variant> args{"item", "key"};
    c->call("ADD", vb::Method, args);
    std::vector<Variant> index{1};
    EXPECT_EQ(vb::CStr(c->invoke(vb::kDefaultMember, vb::PropertyGet, index)), "item");
    EXPECT_EQ(vb::CLng(c->call("count", vb::PropertyGet, {})), 1);
    EXPECT_EQ(errorOf([&] { c->call("Add", vb::Method, {}); }), 450);
    EXPECT_EQ(errorOf([&] { c->call("Clear", vb::Method, {}); }), 438);
    EXPECT_EQ(vb::TypeName(Variant(c)), "Collection");
}

TEST(Dictionary, KeepsInsertionOrderAndKeyKinds) {
    vb::Dictionary d;
    d.Add("b", 1);
    d.Add("a", 2);
    d.Add(int16_t{3}, "three");
    d.Add(true, "yes");
    EXPECT_EQ(walk(d), (Texts{"b", "a", "3", "True"}));
    EXPECT_TRUE(d.Exists(3.0));   // numbers match by value whatever their kind
    EXPECT_FALSE(d.Exists("3"));  // text is not a number key
    EXPECT_FALSE(d.Exists("B"));  // binary compare
    EXPECT_EQ(errorOf([&] { d.Add("b", 9); }), 457);
    d.Remove("b");
    d.Add("b", 5);
    EXPECT_EQ(vb::Join(d.Keys(), ","), "a,3,True,b");
    EXPECT_EQ(vb::Join(d.Items(), ","), "2,three,yes,5");
    EXPECT_EQ(errorOf([&] { d.Remove("zz"); }), 32811);
    d.setKey("a", "A");
    EXPECT_EQ(vb::Join(d.Keys(), ","), "A,3,True,b");
    EXPECT_EQ(errorOf([&] { d.setKey("A", "b"); }), 457);
    EXPECT_EQ(errorOf([&] { d.setKey("missing", "c"); }), 32811);
    auto o = std::make_shared<vb::Collection>();
    d.Add(Variant(o), "object key");
    EXPECT_TRUE(d.Exists(Variant(o)));
    EXPECT_FALSE(d.Exists(Variant(std::make_shared<vb::Collection>())));
}

TEST(Dictionary, ReadingAMissingKeyAddsIt) {
    vb::Dictionary d;
    EXPECT_EQ(d.find("x"), nullptr);
    EXPECT_TRUE(d.Item("x").isEmpty());
    EXPECT_EQ(d.Count(), 1);
    d.setItem("x", 4);
    d.setItem("y", 5);
    EXPECT_EQ(vb::CLng(*d.find("x")), 4);
    EXPECT_EQ(d.Count(), 2);
    d.RemoveAll();
    EXPECT_EQ(d.Count(), 0);
}

TEST(Dictionary, TextCompareMode) {
    vb::Dictionary d;
    d.setCompareMode(vb::CompareMethod::Text);
    d.Add("Caf\xc9", 1);
    EXPECT_TRUE(d.Exists("caf\xe9"));
    EXPECT_EQ(errorOf([&] { d.Add("CAF\xe9", 2); }), 457);
    EXPECT_EQ(vb::CStr(d.Keys().at(0)), "Caf\xc9");  // the key as first given
    EXPECT_EQ(errorOf([&] { d.setCompareMode(vb::CompareMethod::Binary); }), 5);
}

// Texts of every length up to a few words, differing in one byte anywhere, stay apart; in
// text compare the same texts in upper case find them.
TEST(Dictionary, TextKeysOfEveryLength) {
    for (auto mode : {vb::CompareMethod::Binary, vb::CompareMethod::Text}) {
        vb::Dictionary d;
        d.setCompareMode(mode);
        int added = 0;
        for (std::size_t n = 0; n <= 40; ++n) {
            std::string base(n, 'a');
            d.Add(base, added++);
            for (std::size_t at = 0; at < n; ++at) {
                std::string other = base;
                other[at] = '\xe9';  // e acute: its capital is 0xC9
                d.Add(other, added++);
            }
        }
        EXPECT_EQ(d.Count(), added);
        int found = 0;
        for (std::size_t n = 0; n <= 40; ++n) {
            std::string base(n, mode == vb::CompareMethod::Text ? 'A' : 'a');
            ASSERT_TRUE(d.Exists(base)) << n;
            EXPECT_EQ(vb::CLng(*d.find(base)), found++);
            for (std::size_t at = 0; at < n; ++at) {
                std::string other = base;
                other[at] = mode == vb::CompareMethod::Text ? '\xc9' : '\xe9';
                ASSERT_TRUE(d.Exists(other)) << n << " " << at;
                EXPECT_EQ(vb::CLng(*d.find(other)), found++);
            }
        }
        EXPECT_EQ(found, added);
    }
}

// Keys removed and added again, many times over: the order is the order of adding, and the
// holes left by removals are reclaimed.
TEST(Dictionary, OrderThroughRemovalsAndAddsAgain) {
    vb::Dictionary d;
    for (int i = 0; i < 100; ++i) d.Add(i, i);
    for (int round = 0; round < 1000; ++round) {
        int key = round % 100;
        d.Remove(key);
        d.Add(key, round);
    }
    EXPECT_EQ(d.Count(), 100);
    // Each key went last when added again: the order of the last round, 0 to 99.
    vb::Array keys = d.Keys();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(vb::CLng(keys.at(i)), i);
    EXPECT_EQ(vb::CLng(d.Item(99)), 999);
    for (int i = 0; i < 100; i += 2) d.Remove(i);
    d.setKey(1, "one");
    EXPECT_EQ(vb::CStr(d.Keys().at(0)), "one");
    EXPECT_FALSE(d.Exists(1));
    EXPECT_EQ(vb::Join(vb::Array::of({d.Keys().at(1), d.Keys().at(49)}), ","), "3,99");
    EXPECT_EQ(errorOf([&] { d.Add(Variant(vb::Array()), 1); }), 13);
    EXPECT_EQ(errorOf([&] { d.Exists(Variant::missing()); }), 13);
    for (int i = 3; i < 100; i += 2) d.Remove(i);
    d.Remove("one");
    EXPECT_EQ(d.Count(), 0);
    d.setCompareMode(vb::CompareMethod::Text);  // empty again: the mode may change
    d.Add("X", 1);
    EXPECT_TRUE(d.Exists("x"));
}

TEST(Dictionary, ForEachMayChangeTheDictionary) {
    vb::Dictionary d;
    for (int i = 0; i < 3; ++i) d.Add(i, i);
    auto e = d.enumerate();
    Variant key;
    int seen = 0;
    while (e->next(key)) {
        d.Remove(key);
        ++seen;
    }
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(d.Count(), 0);
}

// A chain far deeper than nested destructors could go on the stack: dictionaries and
// collections held as items, dictionaries as keys, and a last link that counts its release.
TEST(Dictionary, DeepChainsOfDictionariesAndCollectionsAreFreedWithoutRecursion) {
    struct Counted : vb::Object {
        explicit Counted(int& freed) : freed_(freed) {}
        ~Counted() override { ++freed_; }
        vb::DispId memberId(std::string_view) const override { return vb::kUnknownMember; }
        Variant invoke(vb::DispId, vb::CallKind, vb::Args) override { return {}; }
        std::string_view typeName() const override { return "Counted"; }
        int& freed_;
    };
    constexpr int kDepth = 300000;
    int freed = 0;
    Variant chain(vb::ObjectRef(std::make_shared<Counted>(freed)));
    for (int i = 0; i < kDepth; ++i) {
        vb::ObjectRef link;
        switch (i % 3) {
            case 0: {
                auto d = std::make_shared<vb::Dictionary>();
                d->Add("next", std::move(chain));
                link = d;
                break;
            }
            case 1: {
                auto c = std::make_shared<vb::Collection>();
                c->Add(std::move(chain));
                link = c;
                break;
            }
            default: {
                auto d = std::make_shared<vb::Dictionary>();
                d->Add(chain, i);  // an object as a key
                chain.clear();
                link = d;
            }
        }
        chain = Variant(std::move(link));
    }
    chain.clear();
    EXPECT_EQ(freed, 1);

    // RemoveAll of the dictionary holding the chain frees it the same way.
    vb::Dictionary holder;
    Variant inner(vb::ObjectRef(std::make_shared<Counted>(freed)));
    for (int i = 0; i < kDepth; ++i) {
        auto d = std::make_shared<vb::Dictionary>();
        d->Add(i, std::move(inner));
        inner = Variant(vb::ObjectRef(d));
    }
    holder.Add("chain", std::move(inner));
    holder.RemoveAll();
    EXPECT_EQ(freed, 2);
}
