#include "MessageBox.h"

#include <QCoroSignal>
#include <QMessageBox>
#include <QPointer>

QCoro::Task<> showMessageBox(QWidget* parent, QString text, QString title) {
    const QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    co_await qCoro(box.data(), &QMessageBox::finished);
    // Deleted only now: the box must outlive the wait for its answer.
    if (box)
        box->deleteLater();
}
