#include "device/device_link.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "settings/button_function.h"
#include "settings/upload_derivations.h"

namespace zel::device {

DeviceLink::DeviceLink() : sleeper_(systemSleeper_) {}

DeviceLink::DeviceLink(Sleeper& sleeper) : sleeper_(sleeper) {}

DeviceLink::~DeviceLink() = default;

// ---- Channels ----

bool DeviceLink::AttachReadChannel(std::unique_ptr<platform::HidChannel> channel,
                                   std::size_t inputReportLength) {
    if (!channel || !ReportLengthFits(inputReportLength)) {
        return false;
    }
    {
        std::lock_guard lock(readMutex_);
        if (readChannel_) {
            return false;
        }
        readChannel_ = std::move(channel);
        readLength_ = inputReportLength;
    }
    readAttached_.notify_all();
    return true;
}

bool DeviceLink::AttachWriteChannel(std::unique_ptr<platform::HidChannel> channel,
                                    std::size_t featureReportLength) {
    if (!channel || !ReportLengthFits(featureReportLength)) {
        return false;
    }
    std::lock_guard lock(sendMutex_);
    if (writeChannel_) {
        return false;
    }
    writeChannel_ = std::move(channel);
    featureLength_ = featureReportLength;
    return true;
}

bool DeviceLink::IsReadOpen() const {
    std::lock_guard lock(readMutex_);
    return readChannel_ != nullptr;
}

bool DeviceLink::IsWriteOpen() const {
    std::lock_guard lock(sendMutex_);
    return writeChannel_ != nullptr;
}

std::size_t DeviceLink::InputReportLength() const {
    std::lock_guard lock(readMutex_);
    return readLength_;
}

std::size_t DeviceLink::FeatureReportLength() const {
    std::lock_guard lock(sendMutex_);
    return featureLength_;
}

void DeviceLink::SetDevicePath(std::string path) {
    std::lock_guard lock(pathMutex_);
    devicePath_ = std::move(path);
}

std::string DeviceLink::DevicePath() const {
    std::lock_guard lock(pathMutex_);
    return devicePath_;
}

// ---- Sending ----

bool DeviceLink::SendFeatureReport() {
    if (!writeChannel_) {
        return false;
    }
    return writeChannel_->SendFeatureReport(
        std::span<const std::uint8_t>(report_.data(), featureLength_));
}

void DeviceLink::WriteHeader(Command command) {
    report_[0] = kFeatureReportId;
    report_[1] = static_cast<std::uint8_t>(command);
}

bool DeviceLink::SendDpiLevel(std::uint8_t levelIndex, std::uint8_t currentLevel,
                              std::uint8_t deviceDpiCode, std::uint8_t enableMask) {
    if (levelIndex > 3) {
        return false;
    }
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_DPI_LEVEL);
    report_[2] = static_cast<std::uint8_t>(0x40 + (currentLevel & 0x03));
    report_[3] = static_cast<std::uint8_t>(((deviceDpiCode & 0x0F) << 4) + 8 + levelIndex);
    report_[4] = static_cast<std::uint8_t>(enableMask & 0x0F);
    return SendFeatureReport();
}

bool DeviceLink::SendButtonFunction(std::size_t buttonIndex, std::uint8_t deviceCode) {
    if (buttonIndex >= buttonNumbers.size()) {
        return false;
    }
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_BUTTON_FUNCTION);
    report_[2] = buttonNumbers[buttonIndex];
    report_[3] = deviceCode;
    return SendFeatureReport();
}

bool DeviceLink::SendWheel(std::int32_t wheelStatus) {
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_WHEEL);
    report_[2] = static_cast<std::uint8_t>(wheelStatus & 0xFF);
    report_[3] = 0;
    return SendFeatureReport();
}

bool DeviceLink::SendFireTime(std::int32_t fireTime) {
    const std::uint16_t t = settings::FireIntervalUnits(fireTime);
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_FIRE_TIME);
    report_[2] = static_cast<std::uint8_t>(t >> 8);
    report_[3] = static_cast<std::uint8_t>(t & 0xFF);
    std::fill(report_.begin() + 4, report_.begin() + 8, std::uint8_t{0});
    return SendFeatureReport();
}

bool DeviceLink::SendLed(std::uint8_t ledCode) {
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_LED);
    report_[2] = 0x7F;
    report_[3] = static_cast<std::uint8_t>(0x10 + ledCode);
    return SendFeatureReport();
}

bool DeviceLink::SendShutdown() {
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_SHUTDOWN);
    report_[2] = 0;
    report_[3] = 0;
    return SendFeatureReport();
}

bool DeviceLink::SendConsumerKey(std::int32_t functionCode) {
    const auto usage = settings::ConsumerUsageOf(functionCode);
    if (!usage) {
        return false;
    }
    std::lock_guard lock(sendMutex_);
    WriteHeader(Command::RPT_CONSUMER_KEY);
    report_[2] = static_cast<std::uint8_t>(*usage >> 8);
    report_[3] = static_cast<std::uint8_t>(*usage & 0xFF);
    return SendFeatureReport();
}

bool DeviceLink::SendKeysLocked() {
    WriteHeader(Command::RPT_KEYS);
    std::copy(keySlots_.begin(), keySlots_.end(), report_.begin() + 2);
    return SendFeatureReport();
}

bool DeviceLink::SendMouseButtonsLocked() {
    WriteHeader(Command::RPT_MOUSE_BUTTONS);
    report_[3] = buttonState_;
    return SendFeatureReport();
}

bool DeviceLink::InjectEvent(std::uint8_t code, std::uint8_t action) {
    std::lock_guard lock(sendMutex_);
    if (code < kFirstMouseButtonCode) {
        if (action == kActionPress) {
            const auto free = std::find(keySlots_.begin(), keySlots_.end(), std::uint8_t{0});
            if (free != keySlots_.end()) {
                *free = code;
            }
        } else if (action == kActionRelease) {
            const auto held = std::find(keySlots_.begin(), keySlots_.end(), code);
            if (held != keySlots_.end()) {
                std::copy(held + 1, keySlots_.end(), held);
            }
            // Found or not, the last slot is emptied.
            keySlots_.back() = 0;
        }
        return SendKeysLocked();
    }
    if (code <= kLastMouseButtonCode) {
        const auto bit = static_cast<std::uint8_t>(1u << (code - kFirstMouseButtonCode));
        if (action == kActionPress) {
            buttonState_ = static_cast<std::uint8_t>(buttonState_ & ~bit);
        } else if (action == kActionRelease) {
            buttonState_ = static_cast<std::uint8_t>(buttonState_ | bit);
        }
    }
    return SendMouseButtonsLocked();
}

void DeviceLink::ReleaseAll() {
    sleeper_.SleepFor(kReleaseAllPause);
    {
        std::lock_guard lock(sendMutex_);
        buttonState_ = static_cast<std::uint8_t>(buttonState_ | kInjectedButtonBits);
        SendMouseButtonsLocked();
    }
    sleeper_.SleepFor(kReleaseAllPause);
    {
        std::lock_guard lock(sendMutex_);
        keySlots_.fill(0);
        SendKeysLocked();
    }
}

std::array<std::uint8_t, 6> DeviceLink::KeySlots() const {
    std::lock_guard lock(sendMutex_);
    return keySlots_;
}

std::uint8_t DeviceLink::ButtonState() const {
    std::lock_guard lock(sendMutex_);
    return buttonState_;
}

std::array<std::uint8_t, kReportBufferSize> DeviceLink::ReportBuffer() const {
    std::lock_guard lock(sendMutex_);
    return report_;
}

// ---- Input ----

bool DeviceLink::ReadInputReport() {
    platform::HidChannel* channel = nullptr;
    std::size_t length = 0;
    {
        std::lock_guard lock(readMutex_);
        channel = readChannel_.get();
        length = readLength_;
    }
    if (channel == nullptr) {
        return false;
    }
    // The channel is never replaced once set, so it may be used without the lock, which must
    // not be held across a blocking read.
    InputReport received;
    const std::optional<std::size_t> n =
        channel->ReadInputReport(std::span<std::uint8_t>(received.bytes.data(), length));
    if (!n || *n == 0) {
        return false;
    }
    received.length = std::min(*n, length);
    // Whatever the channel may have left beyond the report is not part of it.
    std::fill(received.bytes.begin() + static_cast<std::ptrdiff_t>(received.length),
              received.bytes.end(), std::uint8_t{0});
    std::lock_guard lock(inputMutex_);
    input_ = received;
    return true;
}

void DeviceLink::CancelRead() {
    std::lock_guard lock(readMutex_);
    if (readChannel_) {
        readChannel_->Cancel();
    }
}

bool DeviceLink::WaitForReadChannel(std::stop_token stop) {
    std::unique_lock lock(readMutex_);
    return readAttached_.wait(lock, stop, [this] { return readChannel_ != nullptr; });
}

InputReport DeviceLink::LastInputReport() const {
    std::lock_guard lock(inputMutex_);
    return input_;
}

std::uint8_t DeviceLink::InputByte(std::size_t index) const {
    std::lock_guard lock(inputMutex_);
    return index < input_.bytes.size() ? input_.bytes[index] : 0;
}

}  // namespace zel::device
