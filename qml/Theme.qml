// The window's own shades, every one made from the palette the style takes
// from the desktop, so that a dark desktop reads as well as a light one. The
// only file of the window that names a colour.
import QtQuick 2.15
import QtQuick.Controls 2.15

Control {
    visible: false

    readonly property bool dark: luminance(palette.base) < 0.5

    // Text that matters less: notes, hints, what a row's file is.
    readonly property color hint: mix(palette.windowText, palette.window, 0.32)
    readonly property color listHint: mix(palette.text, palette.base, 0.32)

    // The list's selected row, in the colours of its name and status.
    readonly property color selection: mix(palette.base, palette.highlight, 0.28)
    readonly property color selectionUnfocused: mix(palette.base, palette.text, 0.09)
    readonly property color rowHovered: mix(palette.base, palette.highlight, 0.1)
    readonly property color rowPressed: mix(palette.base, palette.highlight, 0.2)

    // What became of a file. A hue alone reads on only one of light and dark:
    // each is drawn toward the text until it stands out from the list.
    readonly property color ok: statusColor(0.37)
    readonly property color fail: statusColor(0.0)
    readonly property color skip: statusColor(0.6)
    readonly property color warn: statusColor(0.11)

    // The waveform, drawn on the window: the sound, the slot behind it, and
    // the start, fade and pad that move it.
    readonly property color wave: mix(palette.highlight, palette.windowText, 0.3)
    readonly property color slotShade: Qt.rgba(palette.highlight.r, palette.highlight.g, palette.highlight.b, 0.19)
    readonly property color marker: statusColor(0.04)

    // The frame of what has the keyboard focus: the selection's colour,
    // drawn toward the text until it stands out (3:1) from the window and
    // the list.
    readonly property color focusRing: standOut(palette.highlight, 3)
    // Where a scroll bar runs, so that a short stretch left below shows.
    readonly property color scrollTrack: mix(palette.window, palette.windowText, 0.08)

    readonly property color notice: mix(palette.base, warn, 0.14)
    readonly property color noticeBorder: mix(palette.base, warn, 0.55)
    // What lets the ground show through, as a focus frame's fill.
    readonly property color clear: "transparent"
    readonly property color dropZone: Qt.rgba(palette.highlight.r, palette.highlight.g, palette.highlight.b, 0.25)

    function mix(from, to, amount) {
        return Qt.tint(from, Qt.rgba(to.r, to.g, to.b, amount));
    }

    // WCAG's relative luminance and contrast ratio.
    function luminance(c) {
        function linear(v) { return v <= 0.03928 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); }
        return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
    }
    function contrast(a, b) {
        var la = luminance(a), lb = luminance(b);
        return (Math.max(la, lb) + 0.05) / (Math.min(la, lb) + 0.05);
    }

    function standOut(colour, ratio) {
        for (var amount = 0; amount < 1; amount += 0.1) {
            var c = mix(colour, palette.text, amount);
            if (contrast(c, palette.base) >= ratio && contrast(c, palette.window) >= ratio)
                return c;
        }
        return palette.text;
    }

    function statusColor(hue) {
        var pure = Qt.hsla(hue, 0.75, dark ? 0.62 : 0.4, 1);
        for (var amount = 0; amount < 1; amount += 0.1) {
            var c = mix(pure, palette.text, amount);
            if (contrast(c, palette.base) >= 5 && contrast(c, selection) >= 4.6
                    && contrast(c, palette.window) >= 4.6)
                return c;
        }
        return palette.text;
    }
}
