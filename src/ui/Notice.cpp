#include "Notice.h"

#include <QMessageBox>

void showNotice(QWidget* parent, const QString& text) {
    auto* box =
        new QMessageBox(QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
