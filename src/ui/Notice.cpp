#include "Notice.h"

#include "RunTexts.h"

#include <QMessageBox>

void showNotice(QWidget* parent, const QString& text) {
    auto* box =
        new QMessageBox(QMessageBox::NoIcon, runtext::MessageTitle, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}
