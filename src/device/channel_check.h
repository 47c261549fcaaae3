#pragma once

// Whether an opened HID channel of the mouse can be used: its report length must fit the
// 256-byte report buffers.

#include <cstddef>
#include <cstdint>

#include "platform/hid_transport.h"
#include "platform/outcome.h"

namespace zel::device {

// Whether the report buffers can serve reports of this length (1 ... 256 bytes).
bool ReportLengthFits(std::size_t reportLength);

// ReportLengthFits for the reports of `access`'s collection (input reports for reading, feature
// reports for writing); when they do not fit, a kUnsupported error whose message tells the
// user which reports and how long, in the words of `languageFlag`'s edition.
platform::Result<void> CheckReportLength(std::size_t reportLength, platform::HidAccess access,
                                         std::int64_t languageFlag);

}  // namespace zel::device
