#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim {

inline constexpr std::uint16_t kVendorId = 0x18F8;
inline constexpr std::uint16_t kProductId = 0x1286;

inline constexpr std::uint8_t kInputReportId = 0x06;
inline constexpr std::uint8_t kFeatureReportId = 0x07;

inline constexpr int kButtonCount = 6;
inline constexpr int kDpiLevelCount = 4;

// Event code of button n on the input report is kButtonEventBase + n.
inline constexpr std::uint8_t kButtonEventBase = 0xF0;
inline constexpr std::uint8_t kPressValue = 0x01;
inline constexpr std::uint8_t kReleaseValue = 0x80;

// Byte lengths of the two reports, report ID included.
struct ReportLengths {
    std::size_t input = 8;
    std::size_t feature = 8;
};
// An input report needs its ID, event code and value; a feature report its ID and command.
inline constexpr std::size_t kMinInputReportLength = 3;
inline constexpr std::size_t kMinFeatureReportLength = 2;
inline constexpr std::size_t kMaxReportLength = 4096;

// Empty when the lengths can be served; otherwise why not.
std::string CheckReportLengths(const ReportLengths& lengths);

// One top-level collection the mouse exposes.
struct CollectionInfo {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint8_t reportId = 0;
    std::size_t inputReportLength = 0;    // 0 = no input report
    std::size_t featureReportLength = 0;  // 0 = no feature report
};

// Commands carried in byte 1 of feature report 7.
enum class FeatureCommand : std::uint8_t {
    DpiLevel = 0x09,
    ButtonFunction = 0x10,
    Wheel = 0x11,
    FireTime = 0x12,
    Led = 0x13,
    Keys = 0x15,
    MouseButtons = 0x16,
    ConsumerKey = 0x17,
    Shutdown = 0x20,
};

// Device codes of button functions the mouse acts on itself and reports.
inline constexpr std::array<std::uint8_t, 3> kDpiSwitchCodes{6, 11, 12};
inline constexpr std::uint8_t kReportRateCode = 10;
inline constexpr std::uint8_t kHostFunctionCode = 0;

struct MouseState {
    // Device code of the function of buttons 1 … 6 (index 0 … 5). Factory setting 1 … 6.
    std::array<std::uint8_t, kButtonCount> buttonCodes{1, 2, 3, 4, 5, 6};
    std::array<bool, kButtonCount> buttonsDown{};
    // Device DPI code of levels 0 … 3, the enabled levels (bit i = level i) and the current one.
    std::array<std::uint8_t, kDpiLevelCount> dpiCodes{4, 7, 13, 14};
    std::uint8_t dpiEnableMask = 0x0F;
    std::uint8_t dpiLevel = 0;
    std::uint8_t ledCode = 0;
    std::uint8_t wheel = 0;
    std::uint16_t fireInterval = 6;  // in units of 8 ms
    // What the injection reports make the mouse emit as ordinary input.
    std::array<std::uint8_t, 6> keys{};
    std::uint8_t mouseButtons = 0xFF;  // active low: bit 0 left, 1 right, 2 middle
    std::uint16_t consumerUsage = 0;   // last consumer-control usage emitted
    std::uint32_t consumerReports = 0;
    // Set by the shutdown report, cleared by the next report that is carried out.
    bool shutDown = false;
    std::uint32_t shutdowns = 0;
    std::uint32_t featuresApplied = 0;
    std::uint32_t featuresIgnored = 0;
    std::uint32_t featuresRefused = 0;

    bool operator==(const MouseState&) const = default;
};

struct FeatureResult {
    enum class Outcome {
        Applied,  // accepted and carried out
        Ignored,  // accepted (the host sees success) but changes nothing
        Refused,  // not accepted: wrong report ID or length; the host sees a failed send
    };
    Outcome outcome = Outcome::Refused;
    std::string_view command = "none";  // short name of the command, for logs
    std::string note;                   // why the report was ignored or refused
};

std::string_view OutcomeName(FeatureResult::Outcome outcome);

struct ButtonResult {
    bool valid = false;  // false: no such button, see error
    std::string error;
    std::uint8_t deviceCode = 0;
    // The input report the mouse sends for this event; empty when the mouse handles the
    // button inside and reports nothing.
    std::optional<std::vector<std::uint8_t>> report;
};

// The mouse's side of the report protocol, without any transport: feature reports in, state
// changes; button events in, input reports out. Not thread-safe; the front-end serialises.
class MouseModel {
public:
    // Lengths outside what CheckReportLengths accepts are brought into range.
    explicit MouseModel(ReportLengths lengths = {});

    const ReportLengths& lengths() const { return lengths_; }
    const MouseState& state() const { return state_; }
    // The input collection (0xFF00/1, report 6) then the feature collection (0xFF01/1, report 7).
    std::array<CollectionInfo, 2> Collections() const;

    FeatureResult HandleFeatureReport(std::span<const std::uint8_t> report);

    // Buttons are numbered 1 … 6.
    ButtonResult Press(int button);
    ButtonResult Release(int button);

    // Loss of power: held keys, mouse buttons and pressed buttons go up; configuration stays.
    void PowerOff();

private:
    FeatureResult Apply(FeatureCommand command, std::span<const std::uint8_t> report);
    ButtonResult ButtonEvent(int button, bool press);
    std::vector<std::uint8_t> InputReport(int button, std::uint8_t value) const;
    std::uint8_t NextEnabledLevel() const;

    ReportLengths lengths_;
    MouseState state_;
};

}  // namespace zel::sim
