#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Answers the next modal dialog: polls for QApplication::activeModalWidget()
// and hands it to answer. If the dialog is still open 5 s after answer ran
// (or never appeared), it is rejected so that a broken test fails instead of
// hanging. *answered tells the test whether answer ever ran.
inline void answerNextModal(const std::function<void(QWidget *)> &answer,
                            bool *answered = nullptr)
{
    if (answered)
        *answered = false;
    auto timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    auto handled = std::make_shared<QWidget *>(nullptr);
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [=]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!*handled && modal) {
            *handled = modal;
            if (answered)
                *answered = true;
            clock->restart();
            answer(modal);
            return;
        }
        if (clock->elapsed() > 5000) {
            if (modal)
                modal->close();
            timer->stop();
            timer->deleteLater();
        } else if (*handled && modal != *handled) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
