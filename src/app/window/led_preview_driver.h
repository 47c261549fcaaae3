#pragma once

// Runs the colour page's LED preview on the window thread: one pass of the preview, a repaint
// when the picture changed, the wait the pass asks for, and again while the page is shown.
// The first pass runs at once when the driver starts; after each wait the driver ends when the
// page is no longer shown. Starting it while it runs (still waiting out its last pause after
// the page was left and shown again) changes nothing.

#include <QObject>
#include <QTimer>
#include <functional>

#include "settings/led_preview.h"

namespace zel::app {

class LedPreviewDriver final : public QObject {
    Q_OBJECT
public:
    LedPreviewDriver(settings::LedPreview& preview, std::function<bool()> pageShown,
                     std::function<void()> repaint);

    void Start();
    // Ends the preview at once (the program is ending).
    void Stop();
    bool IsRunning() const { return running_; }

private:
    void Pass();
    void AfterWait();

    settings::LedPreview& preview_;
    std::function<bool()> pageShown_;
    std::function<void()> repaint_;
    QTimer timer_;
    bool running_ = false;
};

}  // namespace zel::app
