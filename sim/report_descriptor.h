#pragma once

#include <cstdint>
#include <vector>

#include "sim/mouse_model.h"

namespace zel::sim {

// The HID report descriptor of the mouse's two vendor collections at the given lengths:
// 0xFF00/1 with input report 6 and 0xFF01/1 with feature report 7, byte-sized fields. A kernel
// front-end (uhid) hands this to the HID core.
std::vector<std::uint8_t> BuildReportDescriptor(const ReportLengths& lengths);

}  // namespace zel::sim
