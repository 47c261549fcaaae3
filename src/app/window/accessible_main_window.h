#pragma once

// The skinned window as assistive technology sees it: one accessible object for every control of
// the frame and the shown page, built from their tables, followed by the macro page's own
// widgets. Pressing one through AT-SPI runs exactly what a click at its place runs.

#include <QAccessibleWidget>
#include <map>
#include <utility>
#include <vector>

#include "app/pages/page_controls.h"

class QObject;
class QString;

namespace zel::app {

class MainWindow;

class AccessibleMainWindow final : public QAccessibleWidget {
public:
    explicit AccessibleMainWindow(MainWindow& window);
    ~AccessibleMainWindow() override;
    AccessibleMainWindow(const AccessibleMainWindow&) = delete;
    AccessibleMainWindow& operator=(const AccessibleMainWindow&) = delete;

    // The frame's name, in the edition shown.
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The object of a control's member (-1: the whole row, for step bars and the slider).
    QAccessibleInterface* ControlInterface(const Control& control, int member) const;
    // The objects of the skin's controls, in the order of the children.
    std::vector<QAccessibleInterface*> ControlObjects() const;
    // The object the keyboard's focus is on; null when it is on none.
    QAccessibleInterface* FocusedControl() const;

private:
    // The controls of the frame and the shown page, in the keyboard's order, then the readouts.
    std::vector<std::pair<const Control*, int>> Nodes() const;

    MainWindow& window_;
    mutable std::map<std::pair<const Control*, int>, QAccessible::Id> ids_;
};

// For QAccessible::installFactory: the main window's object.
QAccessibleInterface* MainWindowAccessibleFactory(const QString& className, QObject* object);

// Tells assistive technology what changed after a command: states, values and names of the shown
// controls (an edition switch renames them all), and that they were replaced when the page
// changed.
void NotifyControlsChanged(MainWindow& window, bool pageChanged);

}  // namespace zel::app
