#pragma once

#include "audio/InputCatalog.h"
#include "audio/testing/ScriptedInput.h"

#include <string>
#include <utility>
#include <vector>

namespace tickora::testing {

// A catalog for tests: every device number opens a ScriptedInput with the failures and
// error text set here. Current() is the input made by the latest CreateInput; the TAudio
// that opened it owns it and keeps it until its next OpenDevice or its end.
class ScriptedInputs : public InputCatalog {
public:
    explicit ScriptedInputs(std::vector<std::string> names = {"Scripted input"},
                            int realDevices = 1);

    void SetFailures(const ScriptedInput::Failures& failures) { failures_ = failures; }
    void SetErrorText(std::string text) { errorText_ = std::move(text); }
    // The inputs as the next listing finds them (cards plugged in, recordings added).
    void SetNames(std::vector<std::string> names) { names_ = std::move(names); }

    ScriptedInput* Current() const { return current_; }
    int LastDevice() const { return lastDevice_; }
    int CreatedCount() const { return created_; }
    // Over all inputs made here, those gone included.
    int OpenInputs() const { return census_.open; }
    int PreparedBuffers() const { return census_.prepared; }

    int ListInputs(std::vector<std::string>& names) override;
    std::unique_ptr<AudioInput> CreateInput(int device) override;

private:
    std::vector<std::string> names_;
    int realDevices_;
    ScriptedInput::Failures failures_;
    std::string errorText_ = "Device unavailable";
    ScriptedInput::Census census_;
    ScriptedInput* current_ = nullptr;
    int lastDevice_ = -2;
    int created_ = 0;
};

} // namespace tickora::testing
