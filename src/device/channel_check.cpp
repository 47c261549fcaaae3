#include "device/channel_check.h"

#include "device/feature_report.h"

namespace zel::device {

ChannelError CheckReportLength(std::size_t reportLength) {
    if (reportLength == 0) {
        return ChannelError::NoReport;
    }
    if (reportLength > kReportBufferSize) {
        return ChannelError::ReportTooLong;
    }
    return ChannelError::None;
}

std::string ChannelErrorMessage(ChannelError error, platform::HidAccess access,
                                std::size_t reportLength) {
    const bool read = access == platform::HidAccess::Read;
    const std::string collection = read ? "input collection" : "feature collection";
    const std::string reports = read ? "input reports" : "feature reports";
    switch (error) {
        case ChannelError::None:
            return {};
        case ChannelError::NotOpened:
            return "The mouse's " + collection + " could not be opened.";
        case ChannelError::AlreadyOpen:
            return "The mouse's " + collection + " is open already; the open channel stays in use.";
        case ChannelError::NoReport:
            return "The mouse's " + collection + " has no " + reports +
                   ", so the mouse cannot be used.";
        case ChannelError::ReportTooLong:
            return "The mouse's " + reports + " are " + std::to_string(reportLength) +
                   " bytes long; this program handles at most " +
                   std::to_string(kReportBufferSize) + " bytes, so the mouse cannot be used.";
    }
    return "Unknown channel error.";
}

}  // namespace zel::device
