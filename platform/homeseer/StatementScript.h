#pragma once
// The host's script engine for now: runs host statements (HostStatement.h) against the host
// object. A statement whose path starts with "hs" calls the host; any other statement calls
// the loaded plug-in (`hs.Plugin(plugin name)`). A script is run line by line; a line that
// fails gives one error line ("demo.txt line 3: Error 1002: Syntax error: ...") and the
// script goes on with the next line.

#include <functional>
#include <memory>
#include <string>

#include "homeseer/Host.h"
#include "homeseer/HostScript.h"

namespace homeseer {

class StatementScript : public HostScript {
public:
    using Reporter = std::function<void(const std::string& line)>;

    // `plugin`: the name of the plug-in that bare statements call. `reportError` receives
    // the error lines of RunScript.
    StatementScript(std::weak_ptr<Host> host, std::string plugin, Reporter reportError);

    vb::Variant RunStatement(const std::string& statement) override;
    void RunScript(const std::string& text, const std::string& name) override;

    // The error line for a failure of line `number` of script `name`.
    static std::string ErrorLine(const std::string& name, int number, const vb::Error& error);

private:
    std::weak_ptr<Host> host_;
    std::string plugin_;
    Reporter reportError_;
};

}  // namespace homeseer
