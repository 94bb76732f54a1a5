// Serialises the children of document.body the way the shop-page markers
// expect: upper-case tag names, attributes in DOM order with lower-case
// names, no end tags for void elements, SCRIPT and STYLE text unescaped.
// The value of the last expression is the markup; a document without a body
// gives the empty text.
(function () {
    'use strict';

    const voidElements = new Set(['AREA', 'BASE', 'BR', 'COL', 'EMBED', 'HR', 'IMG', 'INPUT',
                                  'LINK', 'META', 'PARAM', 'SOURCE', 'TRACK', 'WBR']);
    const rawTextElements = new Set(['SCRIPT', 'STYLE']);

    function escapeAttribute(value) {
        return value.replace(/&/g, '&amp;').replace(/"/g, '&quot;');
    }

    function escapeText(text) {
        return text.replace(/&/g, '&amp;')
            .replace(/</g, '&lt;')
            .replace(/>/g, '&gt;')
            .replace(/\u00a0/g, '&nbsp;');
    }

    function startTag(element, tag) {
        let markup = '<' + tag;
        for (const attribute of element.attributes) {
            markup += ' ' + attribute.name.toLowerCase() + '="' +
                      escapeAttribute(attribute.value) + '"';
        }
        return markup + '>';
    }

    function endTag(element) {
        return '</' + element.tagName.toUpperCase() + '>';
    }

    function isRawText(textNode) {
        const parent = textNode.parentNode;
        return parent.nodeType === Node.ELEMENT_NODE &&
               rawTextElements.has(parent.tagName.toUpperCase());
    }

    const body = document.body;
    if (!body)
        return '';

    // Depth-first walk without recursion, so that deeply nested markup
    // cannot exhaust the call stack.
    const out = [];
    let node = body.firstChild;
    while (node) {
        if (node.nodeType === Node.ELEMENT_NODE) {
            const tag = node.tagName.toUpperCase();
            out.push(startTag(node, tag));
            if (!voidElements.has(tag)) {
                if (node.firstChild) {
                    node = node.firstChild;
                    continue;
                }
                out.push(endTag(node));
            }
        } else if (node.nodeType === Node.TEXT_NODE) {
            out.push(isRawText(node) ? node.data : escapeText(node.data));
        } else if (node.nodeType === Node.COMMENT_NODE) {
            out.push('<!--' + node.data + '-->');
        }
        // Move on to the next sibling, closing every element left behind.
        while (node !== body && !node.nextSibling) {
            node = node.parentNode;
            if (node !== body)
                out.push(endTag(node));
        }
        node = node === body ? null : node.nextSibling;
    }
    return out.join('');
})();
