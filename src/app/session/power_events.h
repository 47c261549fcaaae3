#pragma once

// Suspend and resume, as logind announces them on the system bus (PrepareForSleep with true
// before the machine sleeps, false once it has woken up). Either may leave the mouse without its
// settings, so the window sends them again on both. Without a system bus, or without logind on
// it, nothing is watched and nothing is reported.

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace zel::app {

class PowerEvents : public QObject {
    Q_OBJECT
public:
    explicit PowerEvents(std::function<void()> onPowerEvent, QObject* parent = nullptr);

    // Starts watching `bus` (the system bus when none is given). False, quietly, when the bus
    // cannot be reached.
    bool Start();
    bool Start(QDBusConnection bus);
    bool IsWatching() const { return watching_; }

public slots:
    // logind's PrepareForSleep: true before the machine sleeps, false once it has woken up.
    // Both run the callback.
    void OnPrepareForSleep(bool goingToSleep);

private:
    std::function<void()> onPowerEvent_;
    bool watching_ = false;
};

}  // namespace zel::app
