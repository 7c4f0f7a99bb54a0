#include <gtest/gtest.h>

#include <memory>

#include "Support.h"
#include "vb/Array.h"
#include "vb/Collection.h"
#include "vb/Dictionary.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Object.h"

using vb::Array;
using vb::Variant;
using vbtest::errorOf;

TEST(Variant, KindsAreKeptAndNamedAsTheLanguageNamesThem) {
    struct Case {
        Variant v;
        int varType;
        const char* typeName;
    };
    const Case cases[] = {
        {Variant(), 0, "Empty"},
        {Variant::null(), 1, "Null"},
        {int16_t{1}, 2, "Integer"},
        {1, 3, "Long"},
        {1.0f, 4, "Single"},
        {1.0, 5, "Double"},
        {Variant::currency(1), 6, "Currency"},
        {vb::Date{1}, 7, "Date"},
        {"x", 8, "String"},
        {Variant::nothing(), 9, "Nothing"},
        {Variant(std::make_shared<vb::Dictionary>()), 9, "Dictionary"},
        {Variant::missing(), 10, "Error"},
        {true, 11, "Boolean"},
        {uint8_t{1}, 17, "Byte"},
        {Array::of({1, 2}), 8204, "Variant()"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vb::VarType(c.v), c.varType) << c.typeName;
        EXPECT_EQ(vb::TypeName(c.v), c.typeName);
    }
    EXPECT_TRUE(Variant::missing().isMissing());
    EXPECT_TRUE(Variant::nothing().isNothing());
    EXPECT_TRUE(vb::IsObject(Variant::nothing()));
    EXPECT_TRUE(vb::IsEmpty(Variant()));
    EXPECT_TRUE(vb::IsNull(Variant::null()));
}

TEST(Variant, CopiesAndMovesKeepValues) {
    Variant text(std::string(100, 'x'));
    Variant copy = text;
    EXPECT_EQ(copy.str(), text.str());
    Variant moved = std::move(copy);
    EXPECT_TRUE(copy.isEmpty());
    EXPECT_EQ(moved.str().size(), 100u);
    moved = 5;
    EXPECT_EQ(moved.lng(), 5);
    moved = moved;  // self-assignment keeps the value
    EXPECT_EQ(moved.lng(), 5);
    Variant holder(Array::of({"inner", 2}));
    holder = holder.array().at(0);  // assigning from an element of the array being replaced
    EXPECT_EQ(holder.str(), "inner");
}

TEST(Variant, ArraysAreCopiedOnAssignment) {
    Variant a(Array({{0, 2}}));
    a.array().at(0) = "one";
    Variant b = a;
    b.array().at(0) = "two";
    EXPECT_EQ(a.array().at(0).str(), "one");
    EXPECT_EQ(b.array().at(0).str(), "two");
}

TEST(Variant, MultiDimensionalArraysAndReDim) {
    Array a({{1, 2}, {0, 3}});
    EXPECT_EQ(a.dimensions(), 2);
    EXPECT_EQ(a.lbound(1), 1);
    EXPECT_EQ(a.ubound(2), 3);
    EXPECT_EQ(a.size(), 8u);
    const int32_t at12[] = {1, 2};
    const int32_t at23[] = {2, 3};
    a.at(at12) = "r1c2";
    a.at(at23) = "r2c3";
    Variant& element = a.at(at12);  // an element by reference, as a ByRef argument
    element = "changed";
    EXPECT_EQ(a.at(at12).str(), "changed");
    a.redim({{1, 2}, {0, 5}}, true);
    EXPECT_EQ(a.at(at23).str(), "r2c3");
    EXPECT_EQ(a.at(at12).str(), "changed");
    EXPECT_EQ(errorOf([&] { a.redim({{1, 3}, {0, 5}}, true); }), 9);
    const int32_t outside[] = {3, 0};
    EXPECT_EQ(errorOf([&] { a.at(outside); }), 9);
    EXPECT_EQ(errorOf([&] { a.at(1); }), 9);  // wrong number of indices
    EXPECT_EQ(errorOf([&] { a.ubound(3); }), 9);
    a.redim({{0, 1}}, false);
    EXPECT_TRUE(a.at(0).isEmpty());
    a.erase();
    EXPECT_EQ(a.dimensions(), 0);
    // No indices name no element, with dimensions or without.
    EXPECT_EQ(errorOf([&] { a.at(std::span<const int32_t>()); }), 9);
    const Array none;
    EXPECT_EQ(errorOf([&] { none.at(std::span<const int32_t>()); }), 9);
    EXPECT_EQ(errorOf([] { Array::of({1}).at(std::span<const int32_t>()); }), 9);
    EXPECT_EQ(errorOf([&] { a.at(0); }), 9);
    Array fixed({{0, 1}}, true);
    fixed.at(0) = 1;
    EXPECT_EQ(errorOf([&] { fixed.redim({{0, 5}}, false); }), 10);
    fixed.erase();
    EXPECT_TRUE(fixed.at(0).isEmpty());
    EXPECT_EQ(fixed.ubound(), 1);
    EXPECT_EQ(errorOf([] { Array({{0, 1 << 30}}); }), 7);
}

// An element bound by reference locks its array: ReDim and Erase are refused, a copy is free,
// and a Variant that lets go of it leaves it in place until the last unlock.
TEST(Variant, LockedArraysKeepTheirElements) {
    Variant v(Array({{0, 2}}));
    Array& a = v.array();
    Variant& element = a.at(1);
    a.lock();
    EXPECT_TRUE(a.locked());
    EXPECT_EQ(errorOf([&] { a.redim({{0, 5}}, false); }), 10);
    EXPECT_EQ(errorOf([&] { a.redim({{0, 5}}, true); }), 10);
    EXPECT_EQ(errorOf([&] { a.erase(); }), 10);
    Variant copy = v;
    EXPECT_FALSE(copy.array().locked());
    copy.array().redim({{0, 5}}, false);
    v = Variant(7);  // the array stays until unlocked
    element = Variant("still there");
    EXPECT_EQ(element.str(), "still there");
    a.unlock();
    Variant w(Array({{0, 1}}));
    w.array().lock();
    w.array().unlock();
    w.array().redim({{0, 3}}, true);
    EXPECT_EQ(w.array().ubound(), 3);
}

TEST(Variant, ForEachOverArraysAndObjects) {
    auto walk = [](const Variant& v) {
        std::string out;
        auto e = vb::enumerate(v);
        Variant item;
        while (e->next(item)) out += vb::CStr(item);
        return out;
    };
    EXPECT_EQ(walk(Array::of({1, "a", 2.5})), "1a2.5");
    auto c = std::make_shared<vb::Collection>();
    c->Add("x");
    c->Add("y");
    EXPECT_EQ(walk(Variant(c)), "xy");
    EXPECT_EQ(errorOf([&] { walk(Variant("text")); }), 451);
    EXPECT_EQ(errorOf([&] { walk(Variant::nothing()); }), 91);
}

TEST(Variant, ObjectsCompareByIdentityAndGiveTheirDefaultValue) {
    auto d = std::make_shared<vb::Dictionary>();
    Variant a(d), b(d), other(std::make_shared<vb::Dictionary>());
    EXPECT_TRUE(vb::Is(a, b));
    EXPECT_FALSE(vb::Is(a, other));
    EXPECT_TRUE(vb::Is(Variant::nothing(), Variant::nothing()));
    EXPECT_EQ(errorOf([&] { vb::Is(a, 1); }), 424);
    EXPECT_EQ(errorOf([&] { vb::valueOf(Variant::nothing()); }), 91);
    EXPECT_EQ(errorOf([&] { vb::valueOf(a); }), 450);  // the default member wants a key
    EXPECT_EQ(vb::valueOf(7).lng(), 7);
}

TEST(Err, RaiseGivesStandardDescriptionsAndTryRecordsTheLine) {
    vb::Err().Clear();
    EXPECT_FALSE(vb::Try([] { vb::Err().Raise(13); }, 40));
    EXPECT_EQ(vb::Err().Number, 13);
    EXPECT_EQ(vb::Err().Description, "Type mismatch");
    EXPECT_EQ(vb::Err().Line, 40);
    EXPECT_FALSE(vb::Try([] { vb::Err().Raise(1001, "src", "custom"); }));
    EXPECT_EQ(vb::Err().Description, "custom");
    EXPECT_EQ(vb::Err().Source, "src");
    EXPECT_FALSE(vb::Try([] { vb::raise(vb::errors::CannotCreateObject); }));
    EXPECT_EQ(vb::Err().Description, "ActiveX component can't create object");
    EXPECT_TRUE(vb::Try([] {}));
    EXPECT_EQ(vb::errors::standardDescription(457),
              "This key is already associated with an element of this collection");
    EXPECT_EQ(vb::errors::standardDescription(438), "Object doesn't support this property or method");
    EXPECT_EQ(vb::errors::standardDescription(12345), "Application-defined or object-defined error");
    vb::Err().Clear();
}
