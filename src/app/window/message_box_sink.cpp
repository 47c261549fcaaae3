#include "app/window/message_box_sink.h"

#include <QMessageBox>
#include <QString>

#include "platform/app_identity.h"

namespace zel::app {

void MessageBoxSink::ShowMessage(std::string_view text, std::string_view caption) {
    const QString title = caption.empty()
                              ? QString::fromLatin1(platform::kProgramName)
                              : QString::fromUtf8(caption.data(), static_cast<int>(caption.size()));
    QMessageBox box(QMessageBox::NoIcon, title,
                    QString::fromUtf8(text.data(), static_cast<int>(text.size())), QMessageBox::Ok,
                    owner_.data());
    box.exec();
}

}  // namespace zel::app
