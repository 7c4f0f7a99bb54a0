#include "windows/SpObjectToken.h"

namespace windows {

SpObjectToken::SpObjectToken(std::string description, std::string id)
    : description_(std::move(description)), id_(std::move(id)) {}

std::string SpObjectToken::GetDescription() const { return description_; }

std::string SpObjectToken::Id() const { return id_; }

}  // namespace windows
