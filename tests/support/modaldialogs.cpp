// Answers and closes the modal dialogs a test provokes (see modaldialogs.h).
#include "modaldialogs.h"

#include "widgets/queryprogressdialog.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace testsupport {

ModalCloser::ModalCloser(bool markBusy, bool acceptFirst)
{
    QObject::connect(&timer, &QTimer::timeout, [this, markBusy, acceptFirst] {
        // A slow query's progress dialog is part of the query, not a message.
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && !qobject_cast<QueryProgressDialog *>(modal)) {
            QStringList labels;
            for (QLabel *label : modal->findChildren<QLabel *>())
                labels << label->text();
            texts << labels.join(QLatin1Char('|'))
                    + (markBusy && QApplication::overrideCursor() ? QStringLiteral("busy")
                                                                  : QString());
            if (acceptFirst && texts.size() == 1) {
                for (QPushButton *button : modal->findChildren<QPushButton *>())
                    if (button->text() == QStringLiteral("确定"))
                        button->click();
            }
            modal->close();
        }
    });
    timer.start(20);
}

void answerNextDialog(const std::function<void(QWidget *)> &answer)
{
    auto poll = new QTimer;
    poll->start(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        QWidget *modal = QApplication::activeModalWidget();
        auto dialog = qobject_cast<QDialog *>(modal);
        if (!dialog || qobject_cast<QueryProgressDialog *>(dialog))
            return;
        poll->deleteLater();
        poll->stop();
        QTimer::singleShot(5000, dialog, [dialog] { dialog->done(QDialog::Rejected); });
        answer(dialog);
    });
}

} // namespace testsupport
