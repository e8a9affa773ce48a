#include "audit/queryui.h"

#include "widgets/infobox.h"

#include <QApplication>
#include <QCursor>

namespace queryui {

namespace {
int pushedCursors = 0;
} // namespace

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++pushedCursors;
}

BusyCursor::~BusyCursor()
{
    if (pushedCursors > 0) {
        QApplication::restoreOverrideCursor();
        --pushedCursors;
    }
}

void BusyCursor::releaseAll()
{
    while (pushedCursors > 0) {
        QApplication::restoreOverrideCursor();
        --pushedCursors;
    }
}

void showMessage(QWidget *parent, const QString &title, const QString &text)
{
    BusyCursor::releaseAll();
    InfoBox::showInfo(parent, title, text);
}

} // namespace queryui
