#pragma once
// Window-side helpers shared by the query and export slots of MainWindow.

#include <QString>

class QWidget;

namespace queryui {

// Shows the wait cursor while a query or an export runs its commands. Every
// message shown while one is alive goes through showMessage(), which puts the
// normal cursor back first; the destructor restores it on every other path.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    // Restores every cursor a BusyCursor has set and not yet restored.
    static void releaseAll();
};

// InfoBox::showInfo with the normal cursor.
void showMessage(QWidget *parent, const QString &title, const QString &text);

} // namespace queryui
