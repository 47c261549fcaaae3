#pragma once

// EditableListBox: a list whose selected line can be edited in place. Ctrl+A typed in the list
// (the character U+0001) or EditSelectedLine opens a DelayLineEditor over the selected line
// holding its text; Return or leaving the edit keeps the new text, Escape discards it.
// Every end of an edit is announced with editEnded(), a kept change first with
// itemTextChanged(); the keyboard goes back to the list. The Menu key and Shift+F10 ask for the
// list's menu at the selected line (menuRequested()).

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

namespace zel::macro::ui {

class DelayLineEditor final : public QLineEdit {
    Q_OBJECT
public:
    explicit DelayLineEditor(QWidget* parent);

signals:
    // true: keep the text; false: discard it.
    void endEdit(bool keep);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

class EditableListBox final : public QListWidget {
    Q_OBJECT
public:
    explicit EditableListBox(QWidget* parent = nullptr);
    ~EditableListBox() override;

    // Opens the editor over the selected line; nothing when no line is selected.
    void EditSelectedLine();
    void EndEdit(bool keep);
    // Closes an open editor without keeping its text and without any notification.
    void AbandonEdit();

    DelayLineEditor* editor() const { return editor_.data(); }
    int editIndex() const { return editIndex_; }

signals:
    void itemTextChanged(int index, const QString& oldText);
    void editEnded();
    // The keyboard's way to the context menu: the Menu key or Shift+F10.
    void menuRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Hides the editor and deletes it later; the keyboard returns to the list when it had it.
    void CloseEditor(DelayLineEditor& editor);

    QPointer<DelayLineEditor> editor_;
    int editIndex_ = -1;
};

}  // namespace zel::macro::ui
