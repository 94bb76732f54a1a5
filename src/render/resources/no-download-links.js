// Links marked for download never lead to a page, while following one (a
// script's click on it as the page loads, say) would stop the document
// where its parser stands: such links are not followed. Run in the page's
// own world before its scripts, so that it sees their clicks.
(function () {
    'use strict';
    const isDownloadLink = (element) =>
        element instanceof Element && element.closest('a[download], area[download]') !== null;
    const click = HTMLElement.prototype.click;
    HTMLElement.prototype.click = function () {
        if (!isDownloadLink(this))
            click.call(this);
    };
    window.addEventListener('click', (event) => {
        if (isDownloadLink(event.target))
            event.preventDefault();
    }, true);
})();
