#include "vb/Variant.h"

#include "vb/Array.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Object.h"

namespace vb {

Variant::Variant(Array&& v) : kind_(VarKind::Array) { u_.arr = new Array(std::move(v)); }

Variant::Variant(const Array& v) : kind_(VarKind::Array) { u_.arr = new Array(v); }

Variant& Variant::operator=(const Variant& other) {
    if (this == &other) return *this;
    // Copy first: `other` may live inside the array this Variant holds.
    Variant copy(other);
    destroy();
    kind_ = VarKind::Empty;
    moveFrom(copy);
    return *this;
}

void Variant::replaceWith(Variant& other) noexcept {
    Variant keep(std::move(*this));  // released after the move, in case `other` lives inside it
    moveFrom(other);
}

void Variant::unshare() {
    Text* own = new Text(u_.text->s);
    if (u_.text->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete u_.text;
    u_.text = own;
}

bool Variant::isNumber() const noexcept {
    switch (kind_) {
        case VarKind::Integer:
        case VarKind::Long:
        case VarKind::Single:
        case VarKind::Double:
        case VarKind::Currency:
        case VarKind::Boolean:
        case VarKind::Byte: return true;
        default: return false;
    }
}

void Variant::release() noexcept {
    switch (kind_) {
        case VarKind::String:
            if (u_.text->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete u_.text;
            break;
        case VarKind::Object: o_.~ObjectRef(); break;
        case VarKind::Array: Array::release(u_.arr); break;
        default: break;
    }
}

void Variant::copyFrom(const Variant& other) {
    switch (other.kind_) {
        case VarKind::String:
            u_.text = other.u_.text;
            u_.text->refs.fetch_add(1, std::memory_order_relaxed);
            break;
        case VarKind::Object: new (&o_) ObjectRef(other.o_); break;
        case VarKind::Array: u_.arr = new Array(*other.u_.arr); break;
        default: u_ = other.u_; break;
    }
    kind_ = other.kind_;
}

int32_t VarType(const Variant& v) noexcept { return static_cast<int32_t>(v.kind()); }

std::string TypeName(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty: return "Empty";
        case VarKind::Null: return "Null";
        case VarKind::Integer: return "Integer";
        case VarKind::Long: return "Long";
        case VarKind::Single: return "Single";
        case VarKind::Double: return "Double";
        case VarKind::Currency: return "Currency";
        case VarKind::Date: return "Date";
        case VarKind::String: return "String";
        case VarKind::Object: return v.object() ? std::string(v.object()->typeName()) : "Nothing";
        case VarKind::Error: return "Error";
        case VarKind::Boolean: return "Boolean";
        case VarKind::Byte: return "Byte";
        case VarKind::Array: return "Variant()";
    }
    return "Unknown";
}

bool IsEmpty(const Variant& v) noexcept { return v.isEmpty(); }
bool IsNull(const Variant& v) noexcept { return v.isNull(); }
bool IsObject(const Variant& v) noexcept { return v.isObject(); }
bool IsArray(const Variant& v) noexcept { return v.isArray(); }

bool Is(const Variant& a, const Variant& b) {
    if (!a.isObject() || !b.isObject()) raise(errors::ObjectRequired);
    return a.object() == b.object();
}

Variant valueOf(const Variant& v) {
    if (!v.isObject()) return v;
    // A default member may answer another object (a collection of values): follow a few.
    Variant current = v;
    for (int depth = 0; depth < 4 && current.isObject(); ++depth) {
        if (!current.object()) raise(errors::ObjectNotSet);
        Variant next = current.object()->invoke(kDefaultMember, PropertyGet, {});
        current = std::move(next);
    }
    if (current.isObject()) raise(errors::NotSupported);
    return current;
}

}  // namespace vb
