#pragma once

// Messages for the user as modal message boxes with an OK button.

#include <QPointer>
#include <QWidget>

#include "platform/message_sink.h"

namespace zel::app {

class MessageBoxSink final : public platform::MessageSink {
public:
    // Boxes are owned by `owner` once it is set (the main window), centred on it.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    // An empty caption shows the program's name.
    void ShowMessage(std::string_view text, std::string_view caption = {}) override;

private:
    QPointer<QWidget> owner_;
};

}  // namespace zel::app
