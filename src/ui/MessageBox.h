#pragma once

#include <QCoroTask>
#include <QString>

class QWidget;

// A message box with one OK button, modal to `parent`'s window; the task
// ends when the user has closed it. Waiting for it runs no event loop of its
// own.
QCoro::Task<> showMessageBox(QWidget* parent, QString text, QString title);
