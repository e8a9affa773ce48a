#pragma once
// Answers the modal dialogs a test provokes, so that a slot that shows one
// returns instead of waiting for a user.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace testsupport {

// While it lives, closes every modal dialog that shows (polling every 20 ms;
// a query's progress dialog excepted)
// and keeps what each said: the texts of its labels joined by '|', followed,
// with `markBusy`, by "busy" when the wait cursor was still set while it showed.
// With `acceptFirst` the first dialog is answered with its "确定" button.
class ModalCloser
{
public:
    explicit ModalCloser(bool markBusy = true, bool acceptFirst = false);
    QStringList seen() const { return texts; }

private:
    QTimer timer;
    QStringList texts;
};

// Hands the next modal dialog to `answer`. Should the answer leave it open, it
// is rejected after 5 s, so that a broken test fails instead of hanging.
void answerNextDialog(const std::function<void(QWidget *)> &answer);

} // namespace testsupport
