#pragma once

// Whether an opened HID channel of the mouse can be used: its report length must fit the
// 256-byte report buffers.

#include <cstddef>
#include <string>

#include "platform/hid_transport.h"

namespace zel::device {

enum class ChannelError {
    None,
    NotOpened,      // the open call gave no channel
    AlreadyOpen,    // a channel of this kind is open already and stays in use
    NoReport,       // the collection has no report of the needed kind (length 0)
    ReportTooLong,  // the report is longer than the 256-byte buffers
};

// None, NoReport or ReportTooLong.
ChannelError CheckReportLength(std::size_t reportLength);

// A sentence for the user, e.g. "The mouse's feature reports are 300 bytes long; this program
// handles at most 256 bytes, so the mouse cannot be used." Empty for None.
std::string ChannelErrorMessage(ChannelError error, platform::HidAccess access,
                                std::size_t reportLength);

}  // namespace zel::device
