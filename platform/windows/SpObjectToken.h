#pragma once
// One installed voice as the speech interface lists it (`SpObjectToken`).

#include <string>

namespace windows {

class SpObjectToken {
public:
    SpObjectToken(std::string description, std::string id);

    // The voice's name as the voice list shows it.
    std::string GetDescription() const;
    // The voice's identifier.
    std::string Id() const;

private:
    std::string description_;
    std::string id_;
};

}  // namespace windows
