#include "homeseer/HostScriptControl.h"

#include "script/ScriptControl.h"
#include "vb/Conversions.h"
#include "vb/Error.h"

namespace homeseer {

namespace {

constexpr const char* kHostName = "hs";
constexpr char kPrintMark = '?';

// The value of an expression line as the console shows it: objects and arrays by their
// type name, Null as "Null".
std::string shown(const vb::Variant& value) {
    if (value.isObject() || value.isArray() || value.isNull()) return vb::TypeName(value);
    try {
        return vb::CStr(value);
    } catch (const vb::Error&) {
        return vb::TypeName(value);
    }
}

// The error line for an error of `name` at `line` (from 1) and the control's column (from 0).
std::string errorLine(const std::string& name, int32_t line, const script::ErrorInfo& error) {
    return name + " line " + std::to_string(line) + ", column " + std::to_string(error.Column + 1) + ": Error " +
           std::to_string(error.Number) + ": " + error.Description;
}

// Where the expression of a line that starts with "?" begins; none for a statement.
std::optional<std::size_t> printedExpression(const std::string& line) {
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != kPrintMark) return std::nullopt;
    return first + 1;
}

}  // namespace

HostScriptControl::HostScriptControl(vb::ObjectRef hs, Reporter report)
    : control_(std::make_unique<script::ScriptControl>()), report_(std::move(report)) {
    control_->AddObject(kHostName, std::move(hs), false);
    control_->setLog(report_);
}

HostScriptControl::~HostScriptControl() = default;

void HostScriptControl::AddPlugin(const std::string& name, vb::ObjectRef plugin) {
    if (plugin) control_->AddObject(name, std::move(plugin), true);
}

bool HostScriptControl::RunScript(const std::string& text, const std::string& name) {
    control_->setTimeout(0);
    try {
        control_->AddCode(text);
        return true;
    } catch (const vb::Error&) {
        const script::ErrorInfo& e = control_->lastError();
        if (report_) report_(errorLine(name, e.Line, e));
        return false;
    }
}

std::optional<std::string> HostScriptControl::RunLine(const std::string& line, const std::string& name, int number) {
    std::string text = line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    control_->setTimeout(kLineTimeoutMs);
    std::optional<std::size_t> expression = printedExpression(text);
    lastLineFailed_ = false;
    try {
        if (expression) return shown(control_->Eval(text.substr(*expression)));
        control_->ExecuteStatement(text);
    } catch (const vb::Error&) {
        lastLineFailed_ = true;
        script::ErrorInfo error = control_->lastError();
        if (expression)
            error.Column += static_cast<int32_t>(*expression);  // a place in the line, not in the expression
        if (report_) report_(errorLine(name, number, error));
    }
    return std::nullopt;
}

std::function<void()> HostScriptControl::canceller() { return control_->canceller(); }

void HostScriptControl::setClock(Clock clock) { control_->setClock(std::move(clock)); }

}  // namespace homeseer
