// The loaded document's state: whether it has finished loading, and the
// delay in seconds of the meta refresh it has scheduled, or -1 when it has
// none (the browser acts on the last one).
(function () {
    'use strict';
    const refreshes = document.querySelectorAll('meta[http-equiv="refresh" i]');
    let refresh = -1;
    if (refreshes.length > 0) {
        const delay = parseFloat(refreshes[refreshes.length - 1].getAttribute('content'));
        refresh = isNaN(delay) || delay < 0 ? -1 : delay;
    }
    return {complete: document.readyState === 'complete', refresh: refresh};
})();
