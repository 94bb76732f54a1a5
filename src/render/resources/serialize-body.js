// Serialises the children of document.body the way the shop-page markers
// expect: upper-case tag names, attributes in DOM order with lower-case
// names (an IMG's src last), no end tags for void elements, SCRIPT and STYLE
// text unescaped.
//
// A function of the longest markup wanted, in characters: the markup, the
// empty text for a document without a body, or null as soon as the markup
// would grow longer, so that no longer text is ever built.
(function (maxLength) {
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

    // Pieces are joined into chunks as they come, so that millions of small
    // pieces are never held at once.
    const chunks = [];
    let pieces = [];
    let length = 0;

    // Adds a piece of markup; false once the markup is too long. A piece is
    // never shorter than the raw text it is made from, so raw text that is
    // already too long is refused before it is escaped.
    function fits(rawLength) {
        return length + rawLength <= maxLength;
    }

    function add(piece) {
        length += piece.length;
        pieces.push(piece);
        if (pieces.length === 65536) {
            chunks.push(pieces.join(''));
            pieces = [];
        }
        return length <= maxLength;
    }

    function attributeMarkup(attribute) {
        if (!fits(attribute.value.length))
            return null;
        return ' ' + attribute.name.toLowerCase() + '="' + escapeAttribute(attribute.value) + '"';
    }

    // An image's source comes last, so that the end of its start tag ends
    // the picture's address whatever other attributes the image has.
    function addStartTag(element, tag) {
        if (!element.hasAttributes())
            return add('<' + tag + '>');
        let source = '';
        if (!add('<' + tag))
            return false;
        // Indexed: iterating the attribute map costs far more on a large page.
        const attributes = element.attributes;
        for (let i = 0; i < attributes.length; ++i) {
            const attribute = attributes[i];
            const markup = attributeMarkup(attribute);
            if (markup === null)
                return false;
            if (tag === 'IMG' && attribute.name.toLowerCase() === 'src')
                source = markup;
            else if (!add(markup))
                return false;
        }
        return add(source + '>');
    }

    function addEndTag(element) {
        return add('</' + element.tagName.toUpperCase() + '>');
    }

    function addText(textNode) {
        const parent = textNode.parentNode;
        const raw = parent.nodeType === Node.ELEMENT_NODE &&
                    rawTextElements.has(parent.tagName.toUpperCase());
        if (!fits(textNode.data.length))
            return false;
        return add(raw ? textNode.data : escapeText(textNode.data));
    }

    function addComment(comment) {
        return fits(comment.data.length) && add('<!--' + comment.data + '-->');
    }

    const body = document.body;
    if (!body)
        return '';

    // Depth-first walk without recursion, so that deeply nested markup
    // cannot exhaust the call stack.
    let node = body.firstChild;
    while (node) {
        let added = true;
        if (node.nodeType === Node.ELEMENT_NODE) {
            const tag = node.tagName.toUpperCase();
            added = addStartTag(node, tag);
            if (added && !voidElements.has(tag)) {
                if (node.firstChild) {
                    node = node.firstChild;
                    continue;
                }
                added = addEndTag(node);
            }
        } else if (node.nodeType === Node.TEXT_NODE) {
            added = addText(node);
        } else if (node.nodeType === Node.COMMENT_NODE) {
            added = addComment(node);
        }
        if (!added)
            return null;
        // Move on to the next sibling, closing every element left behind.
        while (node !== body && !node.nextSibling) {
            node = node.parentNode;
            if (node !== body && !addEndTag(node))
                return null;
        }
        node = node === body ? null : node.nextSibling;
    }
    chunks.push(pieces.join(''));
    return chunks.join('');
})
