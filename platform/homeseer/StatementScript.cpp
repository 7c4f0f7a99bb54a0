#include "homeseer/StatementScript.h"

#include "automation/CallByName.h"
#include "homeseer/HostStatement.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace {

constexpr const char* kHostName = "hs";

vb::Variant call(const vb::Variant& object, const std::string& member, std::vector<vb::Variant> args) {
    return automation::callByName(object, member, vb::Method | vb::PropertyGet, args);
}

}  // namespace

StatementScript::StatementScript(std::weak_ptr<Host> host, std::string plugin, Reporter reportError)
    : host_(std::move(host)), plugin_(std::move(plugin)), reportError_(std::move(reportError)) {}

vb::Variant StatementScript::RunStatement(const std::string& statement) {
    HostStatementLine line = ParseHostStatement(statement);
    if (line.path.empty()) return {};
    std::shared_ptr<Host> hs = host_.lock();
    if (!hs) vb::raise(vb::errors::ObjectNotSet);

    std::size_t first = 0;
    vb::Variant object;
    if (windows::EqualsNoCase(line.path[0].member, kHostName) && !line.path[0].args) {
        object = vb::Variant(vb::ObjectRef(hs));
        first = 1;
        if (line.path.size() == 1) throw vb::Error(1002, "Syntax error: a member of hs was expected");
    } else {
        object = vb::Variant(hs->Plugin(plugin_));
        if (object.isNothing()) throw vb::Error(vb::errors::ObjectRequired, "Object required: no plug-in is loaded");
    }
    for (std::size_t i = first; i + 1 < line.path.size(); ++i)
        object = call(object, line.path[i].member, line.path[i].args.value_or(std::vector<vb::Variant>{}));
    const StatementStep& last = line.path.back();
    return call(object, last.member, last.args ? *last.args : line.args);
}

void StatementScript::RunScript(const std::string& text, const std::string& name) {
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        ++number;
        try {
            RunStatement(line);
        } catch (const vb::Error& e) {
            if (reportError_) reportError_(ErrorLine(name, number, e));
        }
    }
}

std::string StatementScript::ErrorLine(const std::string& name, int number, const vb::Error& error) {
    return name + " line " + std::to_string(number) + ": Error " + std::to_string(error.number()) + ": " +
           error.description();
}

}  // namespace homeseer
