// Checks that a row of controls reads: each ends before the next begins and
// none runs out of its area, and the words of those that must be whole are.
// Horizontal only: the offscreen platform and a desktop lay out heights
// differently. Each gives "" or what is wrong.
.pragma library

function sideBySide(items, area) {
    var prev = null, prevRight = 0;
    for (var i = 0; i < items.length; ++i) {
        var c = items[i];
        if (!c.visible)
            continue;
        var left = c.mapToItem(area, 0, 0).x, right = c.mapToItem(area, c.width, 0).x;
        if (left < -0.5 || right > area.width + 0.5)
            return c.objectName + " lies at " + left + " to " + right + ", outside 0 to " + area.width;
        if (prev && left < prevRight - 0.5)
            return c.objectName + " begins at " + left + ", under " + prev.objectName + ", which ends at " + prevRight;
        prev = c;
        prevRight = right;
    }
    return "";
}

// A label says it is cut; a button is cut when narrower than its words and
// their padding (the style's least width may be more).
function whole(items) {
    for (var i = 0; i < items.length; ++i) {
        var c = items[i];
        if (c.truncated === true)
            return c.objectName + " is cut: \"" + c.text + "\"";
        var need = c.implicitContentWidth === undefined ? c.implicitWidth
                 : c.implicitContentWidth + c.leftPadding + c.rightPadding;
        if (c.truncated === undefined && c.width < need - 0.5)
            return c.objectName + " is cut: \"" + c.text + "\", " + c.width + " of " + need;
    }
    return "";
}
