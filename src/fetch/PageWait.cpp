#include "PageWait.h"

#include "PageRequest.h"

#include <QEventLoop>

QString waitForPage(const PageRequest& request) {
    if (!request.isFinished()) {
        QEventLoop loop;
        QObject::connect(&request, &PageRequest::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return request.text();
}
