#pragma once
// The small modal dialog of a query that takes a while: in the suite's look
// (frameless, a green title band, dragged by it like InfoBox), it shows the
// stage of the query and how much of the audit trail has been read, reading
// both from a QueryProgress every 100 ms, and cancels the query with its
// "取消" button or Escape.

#include <QDialog>
#include <QPoint>
#include <QTimer>

#include "widgets/windowdrag.h"

class QLabel;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QueryProgress;

class QueryProgressDialog : public QDialog
{
    Q_OBJECT

public:
    // `progress` must outlive the dialog.
    QueryProgressDialog(QueryProgress *progress, QWidget *parent);
    ~QueryProgressDialog() override;

    // What the dialog shows now (for the tests and the screen alike).
    QString stageText() const;
    QString bytesText() const;
    bool barIsIndeterminate() const;
    int barPercent() const;
    QPushButton *cancelButton() const { return cancel; }

    // "1.5 MB" in the user's language.
    static QString sizeText(qint64 bytes);

public slots:
    // Escape and the button: cancels the query; the dialog stays until the
    // query has stopped.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void refresh();

    QueryProgress *progress;
    QTimer refreshTimer;
    QLabel *titleLabel = nullptr;
    QLabel *stageLabel = nullptr;
    QLabel *bytesLabel = nullptr;
    QProgressBar *bar = nullptr;
    QPushButton *cancel = nullptr;
    WindowDrag drag;
};
