#pragma once

#include <QString>

class QWidget;

// A modal message box with one OK button over `parent`; returns when the
// user has closed it.
void showMessageBox(QWidget* parent, const QString& text, const QString& title);
