#include "app/window/led_preview_driver.h"

#include <utility>

namespace zel::app {

LedPreviewDriver::LedPreviewDriver(settings::LedPreview& preview, std::function<bool()> pageShown,
                                   std::function<void()> repaint)
    : preview_(preview), pageShown_(std::move(pageShown)), repaint_(std::move(repaint)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LedPreviewDriver::AfterWait);
}

void LedPreviewDriver::Start() {
    if (running_) {
        return;
    }
    running_ = true;
    preview_.Restart();
    Pass();
}

void LedPreviewDriver::Stop() {
    timer_.stop();
    running_ = false;
}

void LedPreviewDriver::Pass() {
    const settings::LedPreview::StepResult result = preview_.Step();
    if (result.repaint && repaint_) {
        repaint_();
    }
    timer_.start(static_cast<int>(result.wait.count()));
}

void LedPreviewDriver::AfterWait() {
    if (!pageShown_()) {
        running_ = false;
        return;
    }
    Pass();
}

}  // namespace zel::app
