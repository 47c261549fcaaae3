#pragma once

// WarningWindow: the small skinned question asked before a mouse button's function is changed
// while no other button has the primary click. Modal and shaped by its mask; its first button
// confirms, its second cancels. Closing it any other way (Escape, the window manager) cancels
// too. From the keyboard, Tab and Shift+Tab make one button or the other hot as the pointer
// does, Return and Space press the hot button (confirm while none is), and Escape cancels.

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <array>

#include "skin/qt/skin_image_store.h"
#include "skin/skin_layout.h"

namespace zel::app {

enum class WarningChoice { kOk = 1, kCancel = 2 };  // also the dialog's result codes

class WarningWindow final : public QDialog {
    Q_OBJECT
public:
    // Opens at screen position (x, y), the main window's popupX and popupY.
    WarningWindow(skin::SkinImageStore& images,
                  const std::array<skin::SkinButton, skin::kWarningButtonCount>& buttons,
                  QFont font, int x, int y);

    // 1 over the confirm button, 2 over the cancel button, 255 elsewhere.
    int hotButton() const { return hotButton_; }
    QImage Compose();

    void HoverAt(int x, int y);
    void ReleaseAt();
    // What a click on button 1 (confirm) or 2 (cancel) runs.
    void PressButton(int button);
    // The message drawn in the message area.
    QString message() const { return QString::fromStdString(buttons_[2].caption); }
    // The captions of the two buttons, as drawn.
    QString buttonCaption(int button) const;
    QRect buttonRect(int button) const;

    // Shows the window modally until it is answered.
    WarningChoice Ask();
    // Closes the window with `choice` as its answer.
    void Choose(WarningChoice choice);

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    skin::SkinImageStore& images_;
    std::array<skin::SkinButton, skin::kWarningButtonCount> buttons_;
    QFont font_;
    QSize size_;
    QRegion outline_;  // from the mask picture; empty without one (the whole window)
    int hotButton_ = 255;

    void SetHotButton(int button);
};

}  // namespace zel::app
