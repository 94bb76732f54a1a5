#include "RunNotice.h"

void NoticeWait::await_suspend(std::coroutine_handle<> waiting) {
    for (RunNotice* notice : notices_) {
        QObject::connect(notice, &RunNotice::raised, resumer_.get(), [this, waiting] {
            for (RunNotice* raised : notices_)
                QObject::disconnect(raised, nullptr, resumer_.get(), nullptr);
            QMetaObject::invokeMethod(
                resumer_.get(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
        });
    }
}
