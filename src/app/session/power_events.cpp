#include "app/session/power_events.h"

#include "platform/session_bus.h"

namespace zel::app {
namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kPrepareForSleep = "PrepareForSleep";

}  // namespace

PowerEvents::PowerEvents(std::function<void()> onPowerEvent, QObject* parent)
    : QObject(parent), onPowerEvent_(std::move(onPowerEvent)) {}

bool PowerEvents::Start() {
    // Without the system bus's socket there is no logind to ask.
    if (!platform::SystemBusReachable()) {
        return false;
    }
    return Start(QDBusConnection::systemBus());
}

bool PowerEvents::Start(QDBusConnection bus) {
    if (watching_) {
        return true;
    }
    if (!bus.isConnected()) {
        return false;
    }
    watching_ =
        bus.connect(QString::fromLatin1(kLogindService), QString::fromLatin1(kLogindPath),
                    QString::fromLatin1(kLogindManager), QString::fromLatin1(kPrepareForSleep),
                    this, SLOT(OnPrepareForSleep(bool)));
    return watching_;
}

void PowerEvents::OnPrepareForSleep(bool /*goingToSleep*/) {
    if (onPowerEvent_) {
        onPowerEvent_();
    }
}

}  // namespace zel::app
