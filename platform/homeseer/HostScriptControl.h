#pragma once
// The host's script engine (HostScript.h) on one VBScript script control. The host object
// is added as `hs`; the loaded plug-in is added under its name with its members as global
// names too, so that a bare `ZephraSpeak "kitchen", "Hello"` calls it as
// `hs.Plugin("dkvZephra").ZephraSpeak "kitchen", "Hello"` does.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "homeseer/HostScript.h"
#include "vb/Object.h"

namespace script {
class ScriptControl;
}  // namespace script

namespace homeseer {

class HostScriptControl : public HostScript {
public:
    using Reporter = std::function<void(const std::string& line)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // How long a line may run: generous for anything typed, short enough that a mistyped
    // endless loop gives the host back. Script files run without limit.
    static constexpr int32_t kLineTimeoutMs = 60000;

    // `hs`: the host object; `report` receives the error lines, and the texts of MsgBox (the
    // host has no screen to show them on).
    HostScriptControl(vb::ObjectRef hs, Reporter report);
    ~HostScriptControl() override;

    // Adds the plug-in object under its name, its members as global names.
    void AddPlugin(const std::string& name, vb::ObjectRef plugin);

    bool RunScript(const std::string& text, const std::string& name) override;
    std::optional<std::string> RunLine(const std::string& line, const std::string& name, int number) override;
    // Whether the last RunLine stopped on an error.
    bool LastLineFailed() const { return lastLineFailed_; }

    // For a host that is ending, from any thread: the script running now stops at its next
    // loop step or procedure call (reported as "The operation was canceled"), and so does
    // every script after it.
    std::function<void()> canceller();
    // For tests: the clock the line time limit is measured on.
    void setClock(Clock clock);

private:
    std::unique_ptr<script::ScriptControl> control_;
    Reporter report_;
    bool lastLineFailed_ = false;
};

}  // namespace homeseer
