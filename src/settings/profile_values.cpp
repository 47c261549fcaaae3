#include "settings/profile_values.h"

#include <cstddef>

namespace zel::settings {
namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

template <typename T, std::size_t N>
std::array<T, N> LoadAll(const std::array<std::atomic<T>, N>& from) {
    std::array<T, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        out[i] = from[i].load(kRelaxed);
    }
    return out;
}

template <typename T, std::size_t N>
void StoreAll(std::array<std::atomic<T>, N>& to, const std::array<T, N>& from) {
    for (std::size_t i = 0; i < N; ++i) {
        to[i].store(from[i], kRelaxed);
    }
}

}  // namespace

ProfileValues TakeProfileValues(const ProfileSettings& s) {
    ProfileValues v;
    v.K = LoadAll(s.K);
    v.DPI_LEVEL = s.DPI_LEVEL.load(kRelaxed);
    v.DPI_SET = LoadAll(s.DPI_SET);
    v.DPI_SET_EN = LoadAll(s.DPI_SET_EN);
    v.WHEEL_STATUS = s.WHEEL_STATUS.load(kRelaxed);
    v.MACRO_MODE2 = s.MACRO_MODE2.load(kRelaxed);
    v.LED_STATUS = s.LED_STATUS.load(kRelaxed);
    v.DPI_SPEED = s.DPI_SPEED.load(kRelaxed);
    v.WHEEL_SPEED = s.WHEEL_SPEED.load(kRelaxed);
    v.FIRE_TIME = s.FIRE_TIME.load(kRelaxed);
    v.USB_SPEED = s.USB_SPEED.load(kRelaxed);
    return v;
}

void StoreProfileValues(ProfileSettings& s, const ProfileValues& v) {
    StoreAll(s.K, v.K);
    s.DPI_LEVEL.store(v.DPI_LEVEL, kRelaxed);
    StoreAll(s.DPI_SET, v.DPI_SET);
    StoreAll(s.DPI_SET_EN, v.DPI_SET_EN);
    s.WHEEL_STATUS.store(v.WHEEL_STATUS, kRelaxed);
    s.MACRO_MODE2.store(v.MACRO_MODE2, kRelaxed);
    s.LED_STATUS.store(v.LED_STATUS, kRelaxed);
    s.DPI_SPEED.store(v.DPI_SPEED, kRelaxed);
    s.WHEEL_SPEED.store(v.WHEEL_SPEED, kRelaxed);
    s.FIRE_TIME.store(v.FIRE_TIME, kRelaxed);
    s.USB_SPEED.store(v.USB_SPEED, kRelaxed);
}

DerivedValues TakeDerivedValues(const ProfileSettings& s) {
    DerivedValues v;
    v.appliedDpiCode = LoadAll(s.appliedDpiCode);
    v.appliedLedStatus = s.appliedLedStatus.load(kRelaxed);
    v.reportsDpiLevel = LoadAll(s.reportsDpiLevel);
    v.cyclesUsbSpeed = LoadAll(s.cyclesUsbSpeed);
    return v;
}

void StoreDerivedValues(ProfileSettings& s, const DerivedValues& v) {
    StoreAll(s.appliedDpiCode, v.appliedDpiCode);
    s.appliedLedStatus.store(v.appliedLedStatus, kRelaxed);
    StoreAll(s.reportsDpiLevel, v.reportsDpiLevel);
    StoreAll(s.cyclesUsbSpeed, v.cyclesUsbSpeed);
}

}  // namespace zel::settings
