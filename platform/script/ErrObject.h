#pragma once
// The script's `Err` object: the pending error of the script's own error handling
// (Number, Description, Source, Raise, Clear), apart from the host's.

#include <string>
#include <string_view>

#include "automation/Class.h"
#include "vb/Err.h"

namespace script {

// The language's text for a run-time error number: its own where it differs from the runtime's
// (91, the RegExp object's 5016 to 5021), "Unknown runtime error" for a number it has none for.
std::string_view languageDescription(int32_t number) noexcept;

class ErrObject : public automation::Dispatch<ErrObject> {
public:
    static constexpr std::string_view className = "ErrObject";
    static void describe(automation::Members<ErrObject>& m);

    explicit ErrObject(vb::ErrObject& err) : err_(err) {}

    int32_t Number() const { return err_.Number; }
    void setNumber(int32_t n) { err_.Number = n; }
    std::string Description() const { return err_.Description; }
    void setDescription(std::string d) { err_.Description = std::move(d); }
    std::string Source() const { return err_.Source; }
    void setSource(std::string s) { err_.Source = std::move(s); }
    std::string HelpFile() const { return {}; }
    int32_t HelpContext() const { return 0; }
    void Clear() { err_.Clear(); }
    // Raises the error: the language's text of the number (languageDescription) when no
    // description is given; number 0 raises error 5.
    void Raise(int32_t number, const vb::Variant& source, const vb::Variant& description);

private:
    vb::ErrObject& err_;
};

}  // namespace script
