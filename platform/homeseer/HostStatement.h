#pragma once
// The host's statement form, until host scripts are VBScript: one call a line,
//
//   Operation arg1, "arg 2"                a member of the loaded plug-in
//   Operation("arg 1", 2)                  the same, arguments in parentheses
//   hs.ExecX10 "A5", "on"                  a member of the host object
//   hs.Plugin("dkvZephra").ZephraSpeak "kitchen", "Hello"
//   &hs.Plugin("dkvZephra").ZephraSendHspCID("")       an event's script line
//
// A path of member names joined by "." (each may take arguments in parentheses), then the
// arguments of the last member. Arguments are texts in double quotes (a doubled quote
// stands for one), whole numbers (Long when they fit, else Double), decimal numbers
// (Double), True and False; an empty place between commas is an omitted argument. A line
// that is empty or starts with "'" or "Rem " holds no statement.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vb/Variant.h"

namespace homeseer {

struct StatementStep {
    std::string member;
    std::optional<std::vector<vb::Variant>> args;  // given in parentheses
};

struct HostStatementLine {
    std::vector<StatementStep> path;  // empty: no statement on the line
    std::vector<vb::Variant> args;    // the last member's arguments given without parentheses
};

// The longest statement read; longer lines are refused.
constexpr std::size_t kMaxStatementLength = 65536;

// Reads one line; a line that is not a statement raises 1002 "Syntax error" with what is
// wrong and where ("Syntax error: text not closed at column 14").
HostStatementLine ParseHostStatement(std::string_view line);

}  // namespace homeseer
