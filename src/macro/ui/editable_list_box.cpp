#include "macro/ui/editable_list_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <utility>

namespace zel::macro::ui {
namespace {

// What Ctrl+A types: the control character U+0001.
constexpr QChar kEditLineCharacter(0x0001);

bool IsReturn(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

DelayLineEditor::DelayLineEditor(QWidget* parent) : QLineEdit(parent) {}

void DelayLineEditor::keyPressEvent(QKeyEvent* event) {
    // The edit ends on the key's release; its press must not reach the window (a dialog would
    // take Return or Escape for itself).
    if (IsReturn(event->key()) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DelayLineEditor::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        if (IsReturn(event->key())) {
            emit endEdit(true);
        } else if (event->key() == Qt::Key_Escape) {
            emit endEdit(false);
        }
    }
    QLineEdit::keyReleaseEvent(event);
}

void DelayLineEditor::focusOutEvent(QFocusEvent* event) {
    emit endEdit(true);
    QLineEdit::focusOutEvent(event);
}

EditableListBox::EditableListBox(QWidget* parent) : QListWidget(parent) {}

EditableListBox::~EditableListBox() {
    // The editor goes with the list's children; it must not call back meanwhile.
    if (!editor_.isNull()) {
        editor_->disconnect(this);
    }
}

void EditableListBox::EditSelectedLine() {
    const int index = currentRow();
    QListWidgetItem* line = item(index);
    if (line == nullptr || !line->isSelected()) {
        return;
    }
    AbandonEdit();
    scrollToItem(line);
    QRect rect = visualItemRect(line);
    rect.adjust(0, -2, 0, 2);
    auto* editor = new DelayLineEditor(viewport());
    editor->setFont(font());
    editor->setGeometry(rect);
    editor->setText(line->text());
    editor->selectAll();
    editIndex_ = index;
    editor_ = editor;
    connect(editor, &DelayLineEditor::endEdit, this, &EditableListBox::EndEdit);
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
}

void EditableListBox::EndEdit(bool keep) {
    if (editor_.isNull()) {
        return;
    }
    // Taken first: hiding the editor moves the focus, which ends the edit once more.
    DelayLineEditor* editor = editor_.data();
    editor_.clear();
    editor->disconnect(this);
    if (keep && editIndex_ != -1 && editIndex_ < count()) {
        const QString oldText = item(editIndex_)->text();
        const QString newText = editor->text();
        if (oldText != newText) {
            delete takeItem(editIndex_);
            insertItem(editIndex_, newText);
            setCurrentRow(editIndex_);
            emit itemTextChanged(editIndex_, oldText);
        }
    }
    editIndex_ = -1;
    CloseEditor(*editor);
    emit editEnded();
}

void EditableListBox::CloseEditor(DelayLineEditor& editor) {
    // Hiding the focused editor would hand the keyboard to the next widget of the window.
    if (editor.hasFocus()) {
        setFocus(Qt::OtherFocusReason);
    }
    editor.hide();
    editor.deleteLater();
}

void EditableListBox::AbandonEdit() {
    if (editor_.isNull()) {
        return;
    }
    DelayLineEditor* editor = editor_.data();
    editor_.clear();
    editor->disconnect(this);
    editIndex_ = -1;
    CloseEditor(*editor);
}

void EditableListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        emit menuRequested();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0) == kEditLineCharacter) {
        EditSelectedLine();
        if (!editor_.isNull()) {
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

void EditableListBox::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    EndEdit(true);
}

void EditableListBox::scrollContentsBy(int dx, int dy) {
    EndEdit(true);
    QListWidget::scrollContentsBy(dx, dy);
}

}  // namespace zel::macro::ui
