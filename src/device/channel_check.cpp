#include "device/channel_check.h"

#include <string>

#include "device/feature_report.h"
#include "text/catalog.h"

namespace zel::device {

bool ReportLengthFits(std::size_t reportLength) {
    return reportLength > 0 && reportLength <= kReportBufferSize;
}

platform::Result<void> CheckReportLength(std::size_t reportLength, platform::HidAccess access,
                                         std::int64_t languageFlag) {
    if (ReportLengthFits(reportLength)) {
        return platform::Ok();
    }
    const bool read = access == platform::HidAccess::Read;
    if (reportLength == 0) {
        return platform::Error{platform::ErrorCode::kUnsupported,
                               text::Message(read ? text::TextId::kInputReportsMissing
                                                  : text::TextId::kFeatureReportsMissing,
                                             languageFlag)};
    }
    return platform::Error{
        platform::ErrorCode::kUnsupported,
        text::Message(
            read ? text::TextId::kInputReportsTooLong : text::TextId::kFeatureReportsTooLong,
            languageFlag,
            {{"{n}", std::to_string(reportLength)}, {"{max}", std::to_string(kReportBufferSize)}})};
}

}  // namespace zel::device
