#include "audio/testing/ScriptedInputs.h"

#include <utility>

namespace tickora::testing {

ScriptedInputs::ScriptedInputs(std::vector<std::string> names, int realDevices)
    : names_(std::move(names)), realDevices_(realDevices) {}

int ScriptedInputs::ListInputs(std::vector<std::string>& names) {
    names.insert(names.end(), names_.begin(), names_.end());
    return realDevices_;
}

std::unique_ptr<AudioInput> ScriptedInputs::CreateInput(int device) {
    auto input = std::make_unique<ScriptedInput>(failures_, errorText_, &census_);
    current_ = input.get();
    lastDevice_ = device;
    ++created_;
    return input;
}

} // namespace tickora::testing
