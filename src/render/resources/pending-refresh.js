// The delay in seconds of the meta refresh the loaded document has
// scheduled, or -1 when it has none. The browser acts on the last one.
(function () {
    'use strict';
    const refreshes = document.querySelectorAll('meta[http-equiv="refresh" i]');
    if (refreshes.length === 0)
        return -1;
    const delay = parseFloat(refreshes[refreshes.length - 1].getAttribute('content'));
    return isNaN(delay) || delay < 0 ? -1 : delay;
})();
