#pragma once

#include "sim/json_writer.h"
#include "sim/mouse_model.h"

namespace zel::sim {

// Adds the state as flat members (names in snake_case).
void AddMouseState(JsonObject& object, const MouseState& state);
// The report lengths ("input_len", "feature_len") and then the state.
void AddMouseState(JsonObject& object, const MouseModel& model);

}  // namespace zel::sim
