#pragma once

class QString;
class QWidget;

// A message box "提示" with one OK button over `parent` that leaves the
// window usable and deletes itself when closed; returns at once.
void showNotice(QWidget* parent, const QString& text);
