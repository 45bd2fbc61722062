// Where a remembered window goes when it opens again: on a screen that is
// there now, no larger than that screen's free area, and wholly inside it, so
// that a window last used on a larger monitor still shows its Convert button.
.pragma library

// saved: { x, y, width, height, maximized } as remembered; x and y may be
// missing (never stored). screens: the free areas [{ x, y, width, height }],
// the primary first. minimum: { width, height } the window can be.
// frame: what the window manager adds around the window's content
// { left, top, right, bottom }: the title bar is the top.
// Returns { x, y, width, height, maximized }: the content's place and size
// when not maximised, and whether to maximise it.
function fit(saved, screens, minimum, frame) {
    var area = screens.length > 0 ? screens[0]
                                  : { x: 0, y: 0, width: minimum.width, height: minimum.height };
    var placed = isFinite(saved.x) && isFinite(saved.y);
    if (placed) {
        // The screen that holds most of the window, if any holds a part.
        var most = 0;
        for (var i = 0; i < screens.length; ++i) {
            var s = screens[i];
            var w = Math.min(saved.x + saved.width, s.x + s.width) - Math.max(saved.x, s.x);
            var h = Math.min(saved.y + saved.height, s.y + s.height) - Math.max(saved.y, s.y);
            if (w > 0 && h > 0 && w * h > most) {
                most = w * h;
                area = s;
            }
        }
        placed = most > 0;
    }
    var left = area.x + frame.left;
    var top = area.y + frame.top;
    var roomWidth = Math.max(1, area.width - frame.left - frame.right);
    var roomHeight = Math.max(1, area.height - frame.top - frame.bottom);
    var width = Math.min(Math.max(Number(saved.width) || 0, minimum.width), roomWidth);
    var height = Math.min(Math.max(Number(saved.height) || 0, minimum.height), roomHeight);
    // A window that was off every screen comes back in the middle of the first.
    var x = placed ? clamp(saved.x, left, left + roomWidth - width)
                   : left + Math.floor((roomWidth - width) / 2);
    var y = placed ? clamp(saved.y, top, top + roomHeight - height)
                   : top + Math.floor((roomHeight - height) / 2);
    return { x: x, y: y, width: width, height: height, maximized: saved.maximized === true };
}

function clamp(value, low, high) {
    return Math.max(low, Math.min(value, high));
}
