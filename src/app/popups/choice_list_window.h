#pragma once

// ChoiceListWindow: what the two function choice lists (ChoiceList, ChoiceSubList) are alike in.
// A frameless tool window that shows rows of one height drawn from a set of list pictures, the
// hot row's band taken from the over picture (the down picture while pressed), each row's text
// centred on it. The window is transparent outside its rows and the strip below them, which are
// also its outline. Pointer moves, presses and releases go to HoverAt, PressAt and ReleaseAt.

#include <QImage>
#include <QString>
#include <QWidget>
#include <string_view>

#include "app/popups/choice_list_context.h"

namespace zel::app {

// The pictures of one list and the number of rows they are drawn for.
struct ListPictures {
    std::string_view mask;
    std::string_view normal;
    std::string_view over;
    std::string_view down;
    int rows = 0;
};

class ChoiceListWindow : public QWidget {
    Q_OBJECT
public:
    int listWidth() const { return width_; }
    int rowHeight() const { return rowHeight_; }
    // The rows and the one-pixel strip below them; 0 without rows.
    int listHeight() const { return rowCount_ > 0 ? rowCount_ * rowHeight_ + 1 : 0; }
    const ChoiceListContext& context() const { return context_; }

    // The list as painted: width x list height.
    QImage Compose();

    // The handlers, in list coordinates. A move makes the row under the pointer hot and a press
    // draws it pressed, each repainting the list when something changed.
    void HoverAt(int x, int y);
    void PressAt();
    virtual void ReleaseAt() = 0;

    // The keyboard's way to the same rows: makes `row` hot as the pointer would, or moves the
    // hot row by `delta` rows, round from the last row to the first and back.
    void SetHotRow(int row);
    void StepHotRow(int delta);
    // The hot row is one the keyboard highlighted, not one the pointer rests on: only such a
    // row is chosen by Return or Space. The pointer moving to another row takes it over.
    bool IsHotRowFromKeyboard() const { return hotRowFromKeyboard_; }
    // The row of the field's function, which assistive technology reads as the list's selected
    // row while no row is hot; setting it tells a screen reader (the list's focused row).
    void SetCurrentRow(int row);
    int currentRow() const { return currentRow_; }
    // The row assistive technology has as selected and focused: the hot row, else the current.
    int ReadRow() const;
    // What a click on the hot row runs: a press, then a release; nothing without a hot row.
    void ClickHotRow();
    int rowCount() const { return rowCount_; }
    int hotRow() const { return hotRow_; }
    QRect rowRect(int row) const { return QRect(0, (row - 1) * rowHeight_, width_, rowHeight_); }
    QString rowText(int row) const { return RowText(row); }

protected:
    ChoiceListWindow(QWidget& owner, ChoiceListContext context, const ListPictures& pictures);

    // Sets the number of rows shown, and with it the outline.
    void SetRowCount(int rows);
    // How many rows the pointer can make hot.
    virtual int HitRows() const = 0;
    // The text of row 1 ... row count.
    virtual QString RowText(int row) const = 0;
    // Asks for a repaint after a change of the hot row or the press.
    virtual void Repaint() { update(); }
    // Called after every paint.
    virtual void AfterPaint() {}

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    ChoiceListContext context_;
    int hotRow_ = 255;
    int currentRow_ = 0;
    bool hotRowFromKeyboard_ = false;
    bool pressed_ = false;

private:
    ListPictures pictures_;
    int width_ = 0;
    int rowHeight_ = 0;
    int rowCount_ = 0;
    // The row last repainted for. Each list starts without one, so the first row the pointer
    // reaches is always drawn hot.
    int rememberedRow_ = 255;
};

}  // namespace zel::app
