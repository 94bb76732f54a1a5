#pragma once

#include <QObject>

// A notice that something a run may be waiting for has happened (Stop was
// pressed, the browser's page changed state). A run awaits `raised`; QCoro
// resumes it from the event loop, after the code that raised the notice has
// returned.
class RunNotice : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    void raise() { emit raised(); }

signals:
    void raised();
};
