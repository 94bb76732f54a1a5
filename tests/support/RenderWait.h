#pragma once

#include "PageServices.h"
#include "RunNotice.h"

#include <QDeadlineTimer>
#include <QSignalSpy>

// Waits for the renderer's notices until it reports the page complete;
// false when `limitMs` passed first.
inline bool waitUntilComplete(PageRenderer& renderer, int limitMs = 15000) {
    QSignalSpy changed(&renderer.readyNotice(), &RunNotice::raised);
    const QDeadlineTimer deadline(limitMs);
    while (renderer.ReadyState() != PageRenderer::ReadyStateComplete) {
        if (deadline.hasExpired() || !changed.wait(int(deadline.remainingTime())))
            return false;
    }
    return true;
}
