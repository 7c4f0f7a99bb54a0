#include <gtest/gtest.h>

#include <vector>

#include "automation/CallByName.h"
#include "automation/Class.h"
#include "vb/Conversions.h"
#include "vb/Error.h"

using vb::Variant;

namespace {

// A class exposing every kind of member the plug-in's classes use.
class Appliance : public automation::Dispatch<Appliance> {
public:
    static constexpr std::string_view className = "Zephra";

    static void describe(automation::Members<Appliance>& m) {
        m.get<&Appliance::Name>("Name");
        m.let<&Appliance::setName>("Name");
        m.property<&Appliance::Volume, &Appliance::setVolume>("Volume");
        m.get<&Appliance::Owner>("Owner");
        m.set<&Appliance::setOwner>("Owner");
        m.method<&Appliance::Speak>("ZephraSpeak", 1);
        m.method<&Appliance::Twice>("Twice");
        m.method<&Appliance::Sum>("Sum");
        m.method<&Appliance::Describe>("Describe", 0);
        m.get<&Appliance::Slot>("Slot");
        m.let<&Appliance::setSlot>("Slot");
        m.method<&scaled>("Scaled");
        m.defaultMember("Slot");
    }

    std::string Name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    int16_t Volume() const { return volume_; }
    void setVolume(int16_t v) { volume_ = v; }
    vb::ObjectRef Owner() const { return owner_; }
    void setOwner(vb::ObjectRef o) { owner_ = std::move(o); }
    std::string Speak(std::string_view text, std::string tag) {
        spoken.emplace_back(text);
        return tag.empty() ? "token" : tag;
    }
    void Twice(vb::Variant& value) { value = vb::CLng(value) * 2; }
    double Sum(vb::Args values) {
        double total = 0;
        for (const Variant& v : values) total += vb::CDbl(v);
        return total;
    }
    std::string Describe(const Variant& option) { return option.isMissing() ? "missing" : vb::CStr(option); }
    Variant Slot(int32_t index) { return slots_.at(static_cast<std::size_t>(index)); }
    void setSlot(int32_t index, Variant value) { slots_.at(static_cast<std::size_t>(index)) = std::move(value); }

    static int32_t scaled(Appliance& a, int32_t n) { return a.volume_ * n; }

    std::vector<std::string> spoken;

private:
    std::string name_;
    int16_t volume_ = 50;
    vb::ObjectRef owner_;
    std::vector<Variant> slots_ = std::vector<Variant>(3);
};

int errorOf(auto&& f) {
    try {
        f();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(Class, MembersAreFoundWithoutRegardToCase) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    automation::letProperty(obj, "NAME", "kitchen");
    EXPECT_EQ(automation::getProperty(obj, "name").str(), "kitchen");
    EXPECT_EQ(a->memberId("volume"), a->memberId("VOLUME"));
    EXPECT_EQ(vb::TypeName(obj), "Zephra");
    EXPECT_EQ(automation::callByName(obj, "zephraspeak", {"hello"}).str(), "token");
    EXPECT_EQ(automation::callByName(obj, "ZephraSpeak", {"again", "tag7"}).str(), "tag7");
    EXPECT_EQ(a->spoken, (std::vector<std::string>{"hello", "again"}));
}

TEST(Class, ArgumentsAreConvertedAsTheLanguageConverts) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    automation::letProperty(obj, "Volume", "2.5");  // half to even
    EXPECT_EQ(a->Volume(), 2);
    automation::letProperty(obj, "Volume", 3.5);
    EXPECT_EQ(automation::getProperty(obj, "Volume").kind(), vb::VarKind::Integer);
    EXPECT_EQ(automation::getProperty(obj, "Volume").integer(), 4);
    EXPECT_EQ(errorOf([&] { automation::letProperty(obj, "Volume", 40000); }), 6);
    EXPECT_EQ(errorOf([&] { automation::letProperty(obj, "Volume", "loud"); }), 13);
    EXPECT_EQ(automation::callByName(obj, "Scaled", {int16_t{3}}).lng(), 12);
}

TEST(Class, SetPropertyTakesObjectsAndLetFallsBackForThem) {
    auto a = std::make_shared<Appliance>();
    auto b = std::make_shared<Appliance>();
    Variant obj(a);
    automation::setProperty(obj, "Owner", Variant(b));
    EXPECT_TRUE(vb::Is(automation::getProperty(obj, "Owner"), Variant(b)));
    automation::letProperty(obj, "Owner", Variant::nothing());
    EXPECT_EQ(errorOf([&] { automation::letProperty(obj, "Owner", 5); }), 438);
    EXPECT_EQ(errorOf([&] { automation::setProperty(obj, "Owner", 5); }), 424);
}

TEST(Class, DefaultMemberAnswersTheEmptyName) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    automation::letProperty(obj, "", "first", {int32_t{1}});
    EXPECT_EQ(automation::callByName(obj, "", {1}).str(), "first");
    EXPECT_EQ(automation::getProperty(obj, "slot", {1}).str(), "first");
    EXPECT_EQ(a->memberId(""), vb::kDefaultMember);
}

TEST(Class, WrongArgumentCountsAndUnknownNamesRaiseTheLanguagesErrors) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    EXPECT_EQ(errorOf([&] { automation::callByName(obj, "ZephraSpeak", {}); }), 450);
    EXPECT_EQ(errorOf([&] { automation::callByName(obj, "ZephraSpeak", {"a", "b", "c"}); }), 450);
    EXPECT_EQ(errorOf([&] { automation::callByName(obj, "ZephraSing", {"a"}); }), 438);
    EXPECT_EQ(errorOf([&] { automation::letProperty(obj, "Scaled", 1); }), 438);
    EXPECT_EQ(a->memberId("nothing here"), vb::kUnknownMember);
    EXPECT_EQ(errorOf([&] { automation::callByName(Variant::nothing(), "Name"); }), 91);
    EXPECT_EQ(errorOf([&] { automation::callByName(Variant("text"), "Name"); }), 424);
}

TEST(Class, ByRefOptionalAndParamArrayArguments) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    std::vector<Variant> args{int16_t{21}};
    automation::callByName(obj, "Twice", vb::Method, args);
    EXPECT_EQ(vb::CLng(args[0]), 42);
    EXPECT_EQ(automation::callByName(obj, "Describe").str(), "missing");
    EXPECT_EQ(automation::callByName(obj, "Describe", {Variant::missing()}).str(), "missing");
    EXPECT_EQ(automation::callByName(obj, "Describe", {7}).str(), "7");
    EXPECT_DOUBLE_EQ(automation::callByName(obj, "Sum", {1, "2", 3.5}).dbl(), 6.5);
    EXPECT_DOUBLE_EQ(automation::callByName(obj, "Sum").dbl(), 0);
}

TEST(Class, MethodCallsAndPropertyReadsAnswerEachOther) {
    auto a = std::make_shared<Appliance>();
    Variant obj(a);
    // `x = obj.Volume` may come as a method call; `obj.Twice v` only as a method.
    EXPECT_EQ(automation::callByName(obj, "Volume", vb::Method, {}).integer(), 50);
    std::vector<Variant> args{1};
    EXPECT_NO_THROW(automation::callByName(obj, "Twice", vb::PropertyGet, args));
}
