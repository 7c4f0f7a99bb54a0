#include <gtest/gtest.h>

#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "vb/Array.h"
#include "vb/Collection.h"
#include "vb/Error.h"
#include "vb/Object.h"

using vb::Variant;

namespace {

int errorOf(auto&& f) {
    try {
        f();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(Registry, DictionaryIsCreatedByNameAndCalledLateBound) {
    Variant d(automation::CreateObject("scripting.dictionary"));
    EXPECT_EQ(vb::TypeName(d), "Dictionary");
    automation::callByName(d, "Add", {"b", 2});
    automation::callByName(d, "add", {"a", 1});
    automation::letProperty(d, "Item", 3, {"c"});
    EXPECT_EQ(automation::callByName(d, "", {"a"}).lng(), 1);
    EXPECT_EQ(automation::getProperty(d, "Count").lng(), 3);
    Variant keys = automation::callByName(d, "Keys");
    ASSERT_TRUE(keys.isArray());
    EXPECT_EQ(keys.array().at(0).str(), "b");
    EXPECT_EQ(keys.array().at(2).str(), "c");
    EXPECT_EQ(errorOf([&] { automation::callByName(d, "Add", {"a", 9}); }), 457);
    automation::letProperty(d, "Key", "z", {"a"});
    EXPECT_TRUE(automation::callByName(d, "Exists", {"z"}).boolean());
    EXPECT_EQ(errorOf([&] { automation::letProperty(d, "CompareMode", 1); }), 5);
    automation::callByName(d, "RemoveAll");
    automation::letProperty(d, "CompareMode", 1);
    automation::callByName(d, "Add", {"Key", 1});
    EXPECT_EQ(errorOf([&] { automation::callByName(d, "Add", {"KEY", 2}); }), 457);
}

TEST(Registry, UnregisteredNamesFailWith429) {
    vb::Error caught(0, "");
    try {
        automation::CreateObject("hsPhone.Application");
    } catch (const vb::Error& e) {
        caught = e;
    }
    EXPECT_EQ(caught.number(), 429);
    EXPECT_EQ(caught.description(), "ActiveX component can't create object");
}

TEST(Registry, ClassesAreRegisteredReplacedAndRemoved) {
    automation::registerClass("Test.Maker", [] { return automation::CreateObject("Scripting.Dictionary"); });
    EXPECT_TRUE(automation::isRegistered("TEST.MAKER"));
    EXPECT_EQ(vb::TypeName(Variant(automation::CreateObject("test.maker"))), "Dictionary");
    automation::registerClass("Test.Maker", [] { return vb::ObjectRef(); });
    EXPECT_EQ(errorOf([] { automation::CreateObject("Test.Maker"); }), 429);
    automation::registerClass<vb::Collection>("Test.Maker");
    EXPECT_EQ(vb::TypeName(Variant(automation::CreateObject("Test.Maker"))), "Collection");
    automation::unregisterClass("Test.Maker");
    EXPECT_FALSE(automation::isRegistered("Test.Maker"));
}
