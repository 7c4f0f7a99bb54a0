#pragma once
// How a C++ class exposes its members to late-bound callers (scripts, callByName): a member
// table built once per class from its member functions, found by name without regard to
// case, with Variant arguments converted to the functions' parameter types.
//
//   class Player : public automation::Dispatch<Player> {
//   public:
//       static constexpr std::string_view className = "Player";
//       static void describe(automation::Members<Player>& m) {
//           m.method<&Player::Play>("Play");              // void Play(std::string file)
//           m.get<&Player::Volume>("Volume");             // int16_t Volume() const
//           m.let<&Player::setVolume>("Volume");          // void setVolume(int16_t)
//           m.method<&Player::Say>("Say", 1);             // second parameter optional
//       }
//   };
//
// Parameters may be vb::Variant (by value or const&: an omitted optional argument is
// Variant::missing()), vb::Variant& (ByRef: the caller's argument is written), std::string,
// std::string_view, int16_t, int32_t, uint8_t, float, double, bool, vb::Date, vb::Array,
// vb::ObjectRef or std::shared_ptr of an object class, and a last vb::Args that takes every
// remaining argument (a ParamArray). A typed parameter left out by the caller gets its type's
// zero value. Results may be void (Empty), vb::Variant (or a reference to one) or any of the
// parameter types. A Let or Set accessor takes the assigned value as its last parameter.
// Free functions and static member functions taking the object first work the same way.

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "vb/Array.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/MemberTable.h"
#include "vb/Object.h"

namespace automation {

namespace detail {

template <class F>
struct Signature;

template <class C, class R, class... P>
struct Signature<R (C::*)(P...)> {
    using Result = R;
    using Params = std::tuple<P...>;
    static constexpr bool member = true;
};

template <class C, class R, class... P>
struct Signature<R (C::*)(P...) const> : Signature<R (C::*)(P...)> {};

template <class C, class R, class... P>
struct Signature<R (C::*)(P...) noexcept> : Signature<R (C::*)(P...)> {};

template <class C, class R, class... P>
struct Signature<R (C::*)(P...) const noexcept> : Signature<R (C::*)(P...)> {};

// A free function taking the object first: the object is not an argument.
template <class R, class Self, class... P>
struct Signature<R (*)(Self&, P...)> {
    using Result = R;
    using Params = std::tuple<P...>;
    static constexpr bool member = false;
};

template <class T>
struct IsSharedObject : std::false_type {};
template <class U>
struct IsSharedObject<std::shared_ptr<U>> : std::bool_constant<std::is_base_of_v<vb::Object, U>> {};

inline bool present(vb::Args args, std::size_t i) { return i < args.size() && !args[i].isMissing(); }

// One argument converted to the parameter type `V`.
template <class V>
V convert(const vb::Variant& v) {
    if constexpr (std::is_same_v<V, std::string>) {
        return v.isString() ? v.str() : vb::CStr(v);
    } else if constexpr (std::is_same_v<V, int16_t>) {
        return vb::CInt(v);
    } else if constexpr (std::is_same_v<V, int32_t>) {
        return vb::CLng(v);
    } else if constexpr (std::is_same_v<V, uint8_t>) {
        return vb::CByte(v);
    } else if constexpr (std::is_same_v<V, float>) {
        return vb::CSng(v);
    } else if constexpr (std::is_same_v<V, double>) {
        return vb::CDbl(v);
    } else if constexpr (std::is_same_v<V, bool>) {
        return vb::CBool(v);
    } else if constexpr (std::is_same_v<V, vb::Date>) {
        return vb::CDate(v);
    } else if constexpr (std::is_same_v<V, vb::Array>) {
        if (!v.isArray()) vb::raise(vb::errors::TypeMismatch);
        return v.array();
    } else if constexpr (IsSharedObject<V>::value) {
        if (!v.isObject()) vb::raise(vb::errors::ObjectRequired);
        if constexpr (std::is_same_v<V, vb::ObjectRef>) {
            return v.object();
        } else {
            if (!v.object()) return nullptr;
            auto typed = std::dynamic_pointer_cast<typename V::element_type>(v.object());
            if (!typed) vb::raise(vb::errors::TypeMismatch);
            return typed;
        }
    } else {
        static_assert(sizeof(V) == 0, "parameter type not supported by automation::Members");
    }
}

// Holds the argument for parameter type `P` for the duration of the call.
template <class P>
struct Param {
    using V = std::decay_t<P>;
    V value;
    Param(vb::Args args, std::size_t i) : value(present(args, i) ? convert<V>(args[i]) : V{}) {}
    P get() { return static_cast<P>(value); }
};

template <>
struct Param<std::string_view> {
    std::string value;
    Param(vb::Args args, std::size_t i) : value(present(args, i) ? convert<std::string>(args[i]) : std::string()) {}
    std::string_view get() { return value; }
};

template <>
struct Param<vb::Variant> {
    vb::Variant value;
    Param(vb::Args args, std::size_t i) : value(i < args.size() ? args[i] : vb::Variant::missing()) {}
    vb::Variant get() { return std::move(value); }
};

template <>
struct Param<const vb::Variant&> {
    const vb::Variant* given;
    vb::Variant missing = vb::Variant::missing();
    Param(vb::Args args, std::size_t i) : given(i < args.size() ? &args[i] : nullptr) {}
    const vb::Variant& get() { return given ? *given : missing; }
};

template <>
struct Param<vb::Variant&> {
    vb::Variant* given;
    vb::Variant missing = vb::Variant::missing();
    Param(vb::Args args, std::size_t i) : given(i < args.size() ? &args[i] : nullptr) {}
    vb::Variant& get() { return given ? *given : missing; }
};

template <>
struct Param<vb::Args> {
    vb::Args rest;
    Param(vb::Args args, std::size_t i) : rest(i < args.size() ? args.subspan(i) : vb::Args()) {}
    vb::Args get() { return rest; }
};

template <class R>
vb::Variant result(R&& r) {
    using V = std::decay_t<R>;
    if constexpr (std::is_same_v<V, vb::Variant> || std::is_constructible_v<vb::Variant, R>) {
        return vb::Variant(std::forward<R>(r));
    } else {
        static_assert(sizeof(V) == 0, "result type not supported by automation::Members");
    }
}

template <class T, auto Fn, class Params, std::size_t... I>
vb::Variant callWith(T& self, vb::Args args, std::index_sequence<I...>) {
    using S = Signature<decltype(Fn)>;
    (void)args;  // unused for members without parameters
    std::tuple<Param<std::tuple_element_t<I, Params>>...> held(Param<std::tuple_element_t<I, Params>>(args, I)...);
    (void)held;
    auto invokeFn = [&]() -> decltype(auto) {
        if constexpr (S::member) {
            return (self.*Fn)(std::get<I>(held).get()...);
        } else {
            return Fn(self, std::get<I>(held).get()...);
        }
    };
    if constexpr (std::is_void_v<typename S::Result>) {
        invokeFn();
        return {};
    } else {
        return result(invokeFn());
    }
}

template <class T, auto Fn>
vb::Variant thunk(void* self, vb::Args args) {
    using Params = typename Signature<decltype(Fn)>::Params;
    return callWith<T, Fn, Params>(*static_cast<T*>(self), args, std::make_index_sequence<std::tuple_size_v<Params>>{});
}

template <auto Fn>
constexpr int16_t declaredCount() {
    return static_cast<int16_t>(std::tuple_size_v<typename Signature<decltype(Fn)>::Params>);
}

template <auto Fn>
constexpr bool takesRest() {
    using Params = typename Signature<decltype(Fn)>::Params;
    constexpr std::size_t n = std::tuple_size_v<Params>;
    if constexpr (n == 0) {
        return false;
    } else {
        return std::is_same_v<std::tuple_element_t<n - 1, Params>, vb::Args>;
    }
}

}  // namespace detail

constexpr int16_t kAllRequired = -1;

// Fills a class's member table; handed to the class's describe().
template <class T>
class Members {
public:
    explicit Members(vb::MemberTable& table) : table_(table) {}

    // `required`: how many leading parameters the caller must give (the rest are optional).
    template <auto Fn>
    Members& method(std::string_view name, int16_t required = kAllRequired) {
        return add<Fn>(name, vb::Method, required);
    }
    template <auto Fn>
    Members& get(std::string_view name, int16_t required = kAllRequired) {
        return add<Fn>(name, vb::PropertyGet, required);
    }
    template <auto Fn>
    Members& let(std::string_view name, int16_t required = kAllRequired) {
        return add<Fn>(name, vb::PropertyLet, required);
    }
    template <auto Fn>
    Members& set(std::string_view name, int16_t required = kAllRequired) {
        return add<Fn>(name, vb::PropertySet, required);
    }
    // A read and write property (Get and Let).
    template <auto Get, auto Let>
    Members& property(std::string_view name) {
        get<Get>(name);
        return let<Let>(name);
    }
    // Makes a member already described the default member (what obj(...) calls).
    Members& defaultMember(std::string_view name) {
        table_.setDefault(name);
        return *this;
    }

private:
    template <auto Fn>
    Members& add(std::string_view name, vb::CallKind kind, int16_t required) {
        int16_t declared = detail::declaredCount<Fn>();
        int16_t max = detail::takesRest<Fn>() ? int16_t{-1} : declared;
        int16_t fixed = detail::takesRest<Fn>() ? static_cast<int16_t>(declared - 1) : declared;
        int16_t min = required == kAllRequired ? fixed : required;
        table_.add(name, kind, vb::Accessor{&detail::thunk<T, Fn>, min, max});
        return *this;
    }

    vb::MemberTable& table_;
};

// Base of a class whose objects are called by name: T gives `static constexpr
// std::string_view className` (what TypeName answers) and `static void describe(Members<T>&)`.
// The table is T's alone: a class derived from T is called with T's members (it may override
// typeName() to answer another name).
template <class T>
class Dispatch : public vb::Object {
public:
    vb::DispId memberId(std::string_view name) const override { return table().find(name); }
    vb::Variant invoke(vb::DispId id, vb::CallKind kind, vb::Args args) override {
        return table().invoke(static_cast<T*>(this), id, kind, args);
    }
    std::string_view typeName() const override { return table().className(); }

    // The class's member table, built on first use.
    static const vb::MemberTable& table() {
        static const vb::MemberTable members = [] {
            vb::MemberTable t{std::string(T::className)};
            Members<T> m(t);
            T::describe(m);
            return t;
        }();
        return members;
    }
};

}  // namespace automation
