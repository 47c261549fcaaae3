// Feeds arbitrary bytes to the report-descriptor parser. Besides the sanitizers' checks it
// asserts what callers rely on: a refused descriptor has no collections and a reason, and
// every reported length stays within the saturation bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "platform/hid_report_descriptor.h"

namespace {

using zel::fuzz::Check;

bool Ascending(const std::vector<std::uint8_t>& ids) {
    for (std::size_t i = 1; i < ids.size(); ++i) {
        if (ids[i - 1] >= ids[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zel::platform;
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(std::span(data, size));
    if (!parsed.ok()) {
        Check(!parsed.error().message.empty());
        return 0;
    }
    for (const HidTopLevelCollection& c : parsed->collections) {
        Check(c.inputReportLength <= kHidReportLengthSaturation);
        Check(c.outputReportLength <= kHidReportLengthSaturation);
        Check(c.featureReportLength <= kHidReportLengthSaturation);
        Check(Ascending(c.inputReportIds) && Ascending(c.outputReportIds) &&
              Ascending(c.featureReportIds));
        Check(!c.featureReportIds.empty() || c.featureReportLength == 0);
        Check(!c.inputReportIds.empty() || c.inputReportLength == 0);
    }
    return 0;
}
