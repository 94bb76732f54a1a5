#pragma once

#include "PageServices.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

// Handles events until the renderer reports the page complete; false when
// `limit` passed first.
inline bool waitUntilComplete(const PageRenderer& renderer, int limitMs = 15000) {
    QDeadlineTimer deadline(limitMs);
    while (renderer.ReadyState() != PageRenderer::ReadyStateComplete) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}
