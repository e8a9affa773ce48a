#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

#include "widgets/windowdrag.h"

class QLabel;
class QMouseEvent;
class QPixmap;
class QPushButton;
class QWidget;
class WrapLabel;

// The application's own modal message box: a frameless 320 x 150 dialog with
// a green title band, a white panel holding an icon and the message, and a
// green bottom band with "确定" (and "取消" in the question form). A message
// longer than the 220 x 50 text area wraps (long paths too) and makes the
// dialog taller by what it needs. It has no window-manager frame, so it moves
// itself when its title band is dragged (a system move where the platform
// offers one, as under Wayland).
class InfoBox : public QDialog
{
    Q_OBJECT

public:
    // The icon is copied; a null icon leaves the icon label empty.
    InfoBox(const QString &title, const QString &text, bool showCancel, QPixmap *icon,
            QWidget *parent);
    ~InfoBox() override;

    // Information form: OK only; the information icon when icon is null.
    static void showInfo(QWidget *parent, const QString &title, const QString &text,
                         QPixmap *icon = nullptr);
    // Question form: OK and Cancel; true only when the dialog was closed by OK.
    static bool showQuestion(QWidget *parent, const QString &title, const QString &text,
                             QPixmap *icon = nullptr);

    bool isOk() const;

private slots:
    void okOperate();
    void cancelOperate();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // Grows the panel, the text area and the dialog by the height that the
    // text needs beyond the 50 pixels of the text area, and moves the buttons
    // down with the bottom band.
    void fitText();

    WindowDrag drag;
    bool showCancel = false;
    bool okFlag = false;
    QLabel *titleLabel = nullptr;
    WrapLabel *textLabel = nullptr;
    QLabel *iconLabel = nullptr;
    QPushButton *cancelButton = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *closeButton = nullptr;
    QWidget *container = nullptr;

    friend class InfoBoxTestAccess;
};
