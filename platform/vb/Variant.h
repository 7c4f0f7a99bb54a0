#pragma once
// The language's Variant: one value of any of its kinds, keeping the kind it was stored as.
//
// Text is a std::string of bytes in the single-byte code page (Windows-1252): Len counts
// bytes, Chr/Asc work on them. Copies of a text share one buffer until one of them is changed
// (copy on write), so that reading a variable costs no copy and `s = s & x` can append in place.
// Arrays are held by value: copying a Variant copies the whole array, as assignment does in the
// language (move it to avoid the copy). Objects are shared references; a null reference is `Nothing`.

#include <atomic>
#include <bit>
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "vb/Date.h"

namespace vb {

class Object;
class Array;
using ObjectRef = std::shared_ptr<Object>;

static_assert(std::endian::native == std::endian::little, "small values sit in the low bytes of a Variant's word");

// The kinds, numbered as VarType answers them.
enum class VarKind : uint16_t {
    Empty = 0,
    Null = 1,
    Integer = 2,  // 16-bit signed
    Long = 3,     // 32-bit signed
    Single = 4,
    Double = 5,
    Currency = 6,  // 64-bit count of ten-thousandths
    Date = 7,
    String = 8,
    Object = 9,
    Error = 10,  // an error code; the omitted optional argument is one of these
    Boolean = 11,
    Byte = 17,
    Array = 8204,  // vbArray + vbVariant: an array of Variants
};

// The scode of an omitted optional argument (DISP_E_PARAMNOTFOUND).
constexpr int32_t kMissingArgument = static_cast<int32_t>(0x80020004u);

class Variant {
public:
    Variant() noexcept : kind_(VarKind::Empty) { u_.i64 = 0; }
    // Small values are stored as one 8-byte word (the value in its low bytes, the rest zero):
    // two stores of different widths would stall the 8-byte copy that moves the Variant next.
    Variant(int16_t v) noexcept : kind_(VarKind::Integer) { u_.i64 = static_cast<uint16_t>(v); }
    Variant(int32_t v) noexcept : kind_(VarKind::Long) { u_.i64 = static_cast<uint32_t>(v); }
    Variant(float v) noexcept : kind_(VarKind::Single) { u_.i64 = std::bit_cast<uint32_t>(v); }
    Variant(double v) noexcept : kind_(VarKind::Double) { u_.d = v; }
    Variant(bool v) noexcept : kind_(VarKind::Boolean) { u_.i64 = std::bit_cast<uint8_t>(v); }
    Variant(uint8_t v) noexcept : kind_(VarKind::Byte) { u_.i64 = v; }
    Variant(Date v) noexcept : kind_(VarKind::Date) { u_.d = v.serial; }
    Variant(std::string v) : kind_(VarKind::String) { u_.text = new Text(std::move(v)); }
    Variant(std::string_view v) : kind_(VarKind::String) { u_.text = new Text(std::string(v)); }
    Variant(const char* v) : kind_(VarKind::String) { u_.text = new Text(std::string(v)); }
    Variant(ObjectRef v) noexcept : kind_(VarKind::Object) { new (&o_) ObjectRef(std::move(v)); }
    template <class T>
    requires std::is_base_of_v<Object, T> &&(!std::is_same_v<Object, T>)Variant(std::shared_ptr<T> v) noexcept
        : Variant(ObjectRef(std::move(v))) {}
    Variant(Array&& v);
    Variant(const Array& v);
    Variant(std::nullptr_t) = delete;  // say Variant::nothing() or Variant::null()

    static Variant null() noexcept {
        Variant v;
        v.kind_ = VarKind::Null;
        return v;
    }
    static Variant nothing() noexcept { return Variant(ObjectRef()); }
    static Variant error(int32_t scode) noexcept {
        Variant v;
        v.kind_ = VarKind::Error;
        v.u_.i64 = static_cast<uint32_t>(scode);
        return v;
    }
    static Variant missing() noexcept { return error(kMissingArgument); }
    static Variant currency(int64_t tenThousandths) noexcept {
        Variant v;
        v.kind_ = VarKind::Currency;
        v.u_.i64 = tenThousandths;
        return v;
    }

    // Numbers and other plain values are copied here, inline: they are most of what a script moves.
    Variant(const Variant& other) : kind_(other.kind_) {
        if (other.holdsResource()) {
            kind_ = VarKind::Empty;
            u_.i64 = 0;
            copyFrom(other);
        } else {
            u_ = other.u_;
        }
    }
    Variant(Variant&& other) noexcept : kind_(VarKind::Empty) { moveFrom(other); }
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            if (holdsResource()) replaceWith(other);
            else moveFrom(other);
        }
        return *this;
    }
    ~Variant() { destroy(); }

    VarKind kind() const noexcept { return kind_; }
    bool isEmpty() const noexcept { return kind_ == VarKind::Empty; }
    bool isNull() const noexcept { return kind_ == VarKind::Null; }
    bool isString() const noexcept { return kind_ == VarKind::String; }
    bool isObject() const noexcept { return kind_ == VarKind::Object; }
    bool isNothing() const noexcept { return kind_ == VarKind::Object && !o_; }
    bool isArray() const noexcept { return kind_ == VarKind::Array; }
    bool isMissing() const noexcept { return kind_ == VarKind::Error && u_.i32 == kMissingArgument; }
    // Integer, Long, Single, Double, Currency, Boolean or Byte (Date and Empty are not).
    bool isNumber() const noexcept;

    // The stored value; the kind must match (asserted in debug builds).
    int16_t integer() const noexcept {
        assert(kind_ == VarKind::Integer);
        return u_.i16;
    }
    int32_t lng() const noexcept {
        assert(kind_ == VarKind::Long);
        return u_.i32;
    }
    float sng() const noexcept {
        assert(kind_ == VarKind::Single);
        return u_.f;
    }
    double dbl() const noexcept {
        assert(kind_ == VarKind::Double);
        return u_.d;
    }
    int64_t currencyValue() const noexcept {
        assert(kind_ == VarKind::Currency);
        return u_.i64;
    }
    Date date() const noexcept {
        assert(kind_ == VarKind::Date);
        return Date{u_.d};
    }
    bool boolean() const noexcept {
        assert(kind_ == VarKind::Boolean);
        return u_.b;
    }
    uint8_t byte() const noexcept {
        assert(kind_ == VarKind::Byte);
        return u_.u8;
    }
    int32_t errorCode() const noexcept {
        assert(kind_ == VarKind::Error);
        return u_.i32;
    }
    const std::string& str() const noexcept {
        assert(kind_ == VarKind::String);
        return u_.text->s;
    }
    // The text to change: a buffer shared with other copies is copied first. The reference is
    // good until this Variant is next copied or changed.
    std::string& str() {
        assert(kind_ == VarKind::String);
        if (u_.text->refs.load(std::memory_order_acquire) != 1) unshare();
        return u_.text->s;
    }
    // True when this text's buffer is held by this Variant and `other` and by nothing else: once
    // `other` lets go, the text may grow in place without anyone else seeing it.
    bool sharesTextOnlyWith(const Variant& other) const noexcept {
        return kind_ == VarKind::String && other.kind_ == VarKind::String && u_.text == other.u_.text &&
               u_.text->refs.load(std::memory_order_acquire) == 2;
    }
    const ObjectRef& object() const noexcept {
        assert(kind_ == VarKind::Object);
        return o_;
    }
    const Array& array() const noexcept {
        assert(kind_ == VarKind::Array);
        return *u_.arr;
    }
    Array& array() noexcept {
        assert(kind_ == VarKind::Array);
        return *u_.arr;
    }

    // Back to Empty, releasing what was held.
    void clear() noexcept {
        destroy();
        kind_ = VarKind::Empty;
        u_.i64 = 0;
    }

private:
    // A text and the number of Variants holding it.
    struct Text {
        explicit Text(std::string t) : s(std::move(t)) {}
        std::atomic<uint32_t> refs{1};
        std::string s;
    };

    bool holdsResource() const noexcept {
        return kind_ == VarKind::String || kind_ == VarKind::Object || kind_ == VarKind::Array;
    }
    void destroy() noexcept {
        if (holdsResource()) release();
    }
    void release() noexcept;
    void replaceWith(Variant& other) noexcept;
    void copyFrom(const Variant& other);
    // Leaves `other` Empty; this Variant must hold nothing that needs releasing.
    void moveFrom(Variant& other) noexcept {
        if (other.kind_ == VarKind::Object) {
            new (&o_) ObjectRef(std::move(other.o_));
            other.o_.~ObjectRef();
        } else {
            u_ = other.u_;  // a text or an array moves with its pointer
        }
        kind_ = other.kind_;
        other.kind_ = VarKind::Empty;
        other.u_.i64 = 0;
    }
    void unshare();

    VarKind kind_;
    union {
        union {
            int16_t i16;
            int32_t i32;
            int64_t i64;
            float f;
            double d;
            bool b;
            uint8_t u8;
            Array* arr;
            Text* text;
        } u_;
        ObjectRef o_;
    };
};

// The number VarType answers (8204 for an array of Variants).
int32_t VarType(const Variant& v) noexcept;
// The name TypeName answers: "Integer", "String", "Nothing", "Variant()", an object's class name...
std::string TypeName(const Variant& v);

bool IsEmpty(const Variant& v) noexcept;
bool IsNull(const Variant& v) noexcept;
bool IsObject(const Variant& v) noexcept;
bool IsArray(const Variant& v) noexcept;

// `Is`: true when both are object references to the same object (two Nothings are the same);
// error 424 "Object required" when either is not an object.
bool Is(const Variant& a, const Variant& b);

// The value an object stands for where a plain value is needed: its default member read
// with no arguments (error 91 for Nothing, 438 when it has none). Other values pass as they are.
Variant valueOf(const Variant& v);

}  // namespace vb
