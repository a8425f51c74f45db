#pragma once

#include "audio/AudioInput.h"

#include <memory>
#include <string>
#include <vector>

namespace tickora {

// The inputs a TAudio can open, by device number. Device -1 is the system's default input;
// 0 and up follow the list order: first the real devices, then any built-in inputs, so a
// device number is its position in the list after the default input's entry.
class InputCatalog {
public:
    virtual ~InputCatalog() = default;

    // Appends the input names for device numbers 0, 1, ... in order; returns how many of
    // them, from the start, are real devices.
    virtual int ListInputs(std::vector<std::string>& names) = 0;

    // The input for a device number; never null. A number that names no input gives an
    // input whose Open fails with an error text.
    virtual std::unique_ptr<AudioInput> CreateInput(int device) = 0;
};

} // namespace tickora
