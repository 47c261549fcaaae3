#pragma once

// What assistive technology sees of the skinned pop-ups: a choice list is a list whose items
// are its rows, named by the function each row shows and pressed as a click on the row does
// (a group's list is named by the row that opened it);
// the warning window is an alert named by its message, with its two buttons as push buttons.

class QAccessibleInterface;
class QObject;
class QString;

namespace zel::app {

// The accessibility factory of the pop-ups (null for any other object).
QAccessibleInterface* AccessiblePopupFactory(const QString& className, QObject* object);

// Registers AccessiblePopupFactory with Qt; once per application.
void InstallAccessiblePopups();

}  // namespace zel::app
