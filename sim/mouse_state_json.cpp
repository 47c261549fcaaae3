#include "sim/mouse_state_json.h"

namespace zel::sim {

void AddMouseState(JsonObject& object, const MouseState& s) {
    object.AddIntArray("button_codes", s.buttonCodes)
        .AddBoolArray("buttons_down", s.buttonsDown)
        .AddIntArray("dpi_codes", s.dpiCodes)
        .AddInt("dpi_enable_mask", s.dpiEnableMask)
        .AddInt("dpi_level", s.dpiLevel)
        .AddInt("led", s.ledCode)
        .AddInt("wheel", s.wheel)
        .AddInt("fire_interval", s.fireInterval)
        .AddIntArray("keys", s.keys)
        .AddInt("mouse_buttons", s.mouseButtons)
        .AddInt("consumer_usage", s.consumerUsage)
        .AddInt("consumer_reports", s.consumerReports)
        .AddBool("shut_down", s.shutDown)
        .AddInt("shutdowns", s.shutdowns)
        .AddInt("features_applied", s.featuresApplied)
        .AddInt("features_ignored", s.featuresIgnored)
        .AddInt("features_refused", s.featuresRefused);
}

void AddMouseState(JsonObject& object, const MouseModel& model) {
    object.AddInt("input_len", static_cast<std::int64_t>(model.lengths().input))
        .AddInt("feature_len", static_cast<std::int64_t>(model.lengths().feature));
    AddMouseState(object, model.state());
}

}  // namespace zel::sim
