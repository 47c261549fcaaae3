#pragma once

// Resume from suspend, as logind announces it on the system bus (PrepareForSleep with false).
// The mouse may have lost its settings while the machine slept, so the window sends them again.
// Without a system bus, or without logind on it, nothing is watched and nothing is reported.

#include <QDBusConnection>
#include <QObject>
#include <functional>

namespace zel::app {

class PowerEvents : public QObject {
    Q_OBJECT
public:
    explicit PowerEvents(std::function<void()> onResume, QObject* parent = nullptr);

    // Starts watching `bus` (the system bus when none is given). False, quietly, when the bus
    // cannot be reached.
    bool Start();
    bool Start(QDBusConnection bus);
    bool IsWatching() const { return watching_; }

public slots:
    // logind's PrepareForSleep: true before the machine sleeps, false once it has woken up.
    void OnPrepareForSleep(bool goingToSleep);

private:
    std::function<void()> onResume_;
    bool watching_ = false;
};

}  // namespace zel::app
