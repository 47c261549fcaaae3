#include "app/realtime_kit.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QString>

#include "platform/session_bus.h"

namespace zel::app {

namespace {
const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");
constexpr int kCallTimeoutMs = 1000;
}  // namespace

bool MakeThreadRealtimeThroughRealtimeKit(std::uint64_t threadId, std::uint32_t priority) {
    // Qt's D-Bus connections need the application object (the headless run has none).
    if (QCoreApplication::instance() == nullptr || !platform::SystemBusReachable()) {
        return false;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return false;
    }
    // Only a running or activatable RealtimeKit: no error message from an absent one.
    QDBusConnectionInterface* names = bus.interface();
    if (names == nullptr || (!names->isServiceRegistered(kService).value() &&
                             !names->activatableServiceNames().value().contains(kService))) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService,
                                                       QStringLiteral("MakeThreadRealtime"));
    call << QVariant::fromValue<quint64>(threadId) << QVariant::fromValue<quint32>(priority);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace zel::app
