#include "script/ErrObject.h"

#include "vb/Conversions.h"
#include "vb/ErrorNumbers.h"

namespace script {

std::string_view languageDescription(int32_t number) noexcept {
    // Where the language's wording differs from the runtime's, and the RegExp object's errors.
    switch (number) {
    case vb::errors::ObjectNotSet: return "Object variable not set";
    case 5016: return "Regular Expression object expected";
    case 5017: return "Syntax error in regular expression";
    case 5018: return "Unexpected quantifier";
    case 5019: return "Expected ']' in regular expression";
    case 5020: return "Expected ')' in regular expression";
    case 5021: return "Invalid range in character set";
    default: break;
    }
    std::string_view standard = vb::errors::standardDescription(number);
    // The language has its own text for a number the runtime's table does not hold.
    return standard == vb::errors::standardDescription(0) ? "Unknown runtime error" : standard;
}

void ErrObject::describe(automation::Members<ErrObject>& m) {
    m.property<&ErrObject::Number, &ErrObject::setNumber>("Number");
    m.property<&ErrObject::Description, &ErrObject::setDescription>("Description");
    m.property<&ErrObject::Source, &ErrObject::setSource>("Source");
    m.get<&ErrObject::HelpFile>("HelpFile");
    m.get<&ErrObject::HelpContext>("HelpContext");
    m.method<&ErrObject::Clear>("Clear");
    m.method<&ErrObject::Raise>("Raise", 1);
    m.defaultMember("Number");
}

void ErrObject::Raise(int32_t number, const vb::Variant& source, const vb::Variant& description) {
    auto text = [](const vb::Variant& v) { return v.isMissing() || v.isEmpty() ? std::string() : vb::CStr(v); };
    // Raising error 0 is itself a bad argument: the script sees error 5, whatever it passed.
    if (number == 0) vb::raise(vb::errors::InvalidProcedureCall);
    std::string s = text(source);
    std::string d = text(description);
    if (d.empty()) d = std::string(languageDescription(number));
    throw vb::Error(number, std::move(d), std::move(s));
}

}  // namespace script
