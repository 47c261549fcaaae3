#include "sim/report_descriptor.h"

namespace zel::sim {
namespace {

// Short item with a one- or two-byte little-endian value: prefix = tag/type | size code.
void Item(std::vector<std::uint8_t>& out, std::uint8_t tagAndType, unsigned value, bool wide) {
    out.push_back(static_cast<std::uint8_t>(tagAndType | (wide ? 2 : 1)));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    if (wide) {
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    }
}

constexpr std::uint8_t kUsagePage = 0x04;
constexpr std::uint8_t kUsage = 0x08;
constexpr std::uint8_t kCollection = 0xA0;
constexpr std::uint8_t kEndCollection = 0xC0;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kLogicalMinimum = 0x14;
constexpr std::uint8_t kLogicalMaximum = 0x24;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kFeature = 0xB0;
constexpr unsigned kApplication = 0x01;
constexpr unsigned kDataVariableAbsolute = 0x02;

void VendorCollection(std::vector<std::uint8_t>& out, unsigned usagePage, std::uint8_t reportId,
                      std::size_t length, std::uint8_t mainItem) {
    const auto payloadBytes = static_cast<unsigned>(length - 1);
    Item(out, kUsagePage, usagePage, true);
    Item(out, kUsage, 0x01, false);
    Item(out, kCollection, kApplication, false);
    Item(out, kReportId, reportId, false);
    Item(out, kUsage, 0x01, false);
    Item(out, kLogicalMinimum, 0, false);
    Item(out, kLogicalMaximum, 0xFF, true);  // one byte would read as -1
    Item(out, kReportSize, 8, false);
    Item(out, kReportCount, payloadBytes, payloadBytes > 0xFF);
    Item(out, mainItem, kDataVariableAbsolute, false);
    out.push_back(kEndCollection);
}

}  // namespace

std::vector<std::uint8_t> BuildReportDescriptor(const ReportLengths& requested) {
    const MouseModel model(requested);  // brings the lengths into range
    std::vector<std::uint8_t> out;
    VendorCollection(out, 0xFF00, kInputReportId, model.lengths().input, kInput);
    VendorCollection(out, 0xFF01, kFeatureReportId, model.lengths().feature, kFeature);
    return out;
}

}  // namespace zel::sim
