// The window's words: numbers grouped and rounded for reading in the
// window's locale, plurals and durations, and the file URLs and paths that
// dialogs and drops hand over. Rules (names, sizes, limits) are the engine's;
// the window asks _data.rules. The engine reads and writes numbers the C way
// (a decimal point, no grouping): typed numbers go through withDecimalPoint
// before they reach it.
.pragma library

var ratePresets = [8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000];
var bitDepths = [8, 16, 24, 32];
// The size box's units, and how the engine's size reader writes each.
var sizeUnits = [
    { name: qsTr("bytes"), written: "" },
    { name: "KiB", written: "KiB" },
    { name: "MiB", written: "MiB" }
];

// "80,044" in English, "80.044" in German: a number with `decimals` digits
// after the locale's decimal point, its digits grouped.
function number(n, decimals) {
    return Number(n).toLocaleString(Qt.locale(), "f", decimals || 0);
}

// As number(), without the zeros that end the fraction: "44.1", "48", "0.25".
function shortNumber(n, decimals) {
    var text = number(n, decimals);
    var point = Qt.locale().decimalPoint;
    if (decimals > 0 && text.indexOf(point) >= 0)
        text = text.replace(/0+$/, "").replace(new RegExp(escaped(point) + "$"), "");
    return text;
}

function groupDigits(n) {
    return number(n, 0);
}

// one and many are already in the window's language: plural(3, qsTr("frame"), qsTr("frames")).
function plural(n, one, many) {
    return groupDigits(n) + " " + (n === 1 ? one : many);
}

function bytesText(n) {
    return plural(n, qsTr("byte"), qsTr("bytes"));
}

// "1.5 KiB", "3.2 MiB": a rounded companion to an exact byte count.
function friendlyBytes(bytes) {
    if (bytes < 1024)
        return bytesText(bytes);
    if (bytes < 1048576)
        return qsTr("%1 KiB").arg(number(bytes / 1024, 1));
    if (bytes < 1073741824)
        return qsTr("%1 MiB").arg(number(bytes / 1048576, 1));
    return qsTr("%1 GiB").arg(number(bytes / 1073741824, 2));
}

function secondsText(text) {
    return qsTr("%1 s", "seconds").arg(text);
}

function hoursMinutes(h, m, rest) {
    if (h > 0)
        return rest === "" ? qsTr("%1 h %2 min").arg(h).arg(m)
                           : qsTr("%1 h %2 min %3", "hours, minutes, then seconds").arg(h).arg(m).arg(rest);
    return rest === "" ? qsTr("%1 min").arg(m) : qsTr("%1 min %2", "minutes, then seconds").arg(m).arg(rest);
}

// "44.1 kHz", "48 kHz", "800 Hz"
function rateName(hz) {
    if (hz < 1000)
        return qsTr("%1 Hz").arg(Math.round(hz));
    return qsTr("%1 kHz").arg(shortNumber(hz / 1000, 3));
}

// "2.50 s", "3 min 5.5 s", "2 min", "1 h 2 min 3 s": the length of a sound.
function lengthName(seconds) {
    if (seconds < 60)
        return secondsText(number(seconds, 2));
    var tenths = Math.round(seconds * 10);
    var h = Math.floor(tenths / 36000);
    var m = Math.floor((tenths - h * 36000) / 600);
    var s = (tenths - h * 36000 - m * 600) / 10;
    if (h > 0)
        return hoursMinutes(h, m, s >= 1 ? secondsText(Math.floor(s)) : "");
    return hoursMinutes(0, m, s > 0 ? secondsText(shortNumber(s, 1)) : "");
}

// "1.8 s", "0.25 s": a point or a span within a sound, to the millisecond.
function spanName(seconds) {
    return seconds < 60 ? secondsText(shortNumber(seconds, 3)) : lengthName(seconds);
}

// "FLAC · 44.1 kHz · stereo · 2.50 s" from the planner's facts of an input;
// "" when libsox could not open it.
function factsText(facts) {
    if (!facts || !facts.opened)
        return "";
    var channels = facts.channels === 1 ? qsTr("mono") : facts.channels === 2 ? qsTr("stereo")
                                                        : qsTr("%1 channels").arg(facts.channels);
    return [String(facts.format).toUpperCase(), rateName(facts.sampleRate), channels,
            facts.frames > 0 ? lengthName(facts.seconds) : qsTr("length unknown")].join(" \u00b7 ");
}

// What the planner says an input's output will get: its size, then where the
// sound is cut, padded or falls short. Refused and skipped rows give the
// planner's reason.
function plannedText(row) {
    if (row.status === "refused")
        return qsTr("Will not convert: %1").arg(row.reason);
    if (row.status === "skip")
        return qsTr("Will be skipped: %1").arg(row.reason);
    var size = row.bytesExact ? bytesText(row.bytes)
             : row.facts && row.facts.framesEstimated
               ? qsTr("about %1 (the file only estimates its length)").arg(bytesText(row.bytes))
             : row.bytes > 0 ? qsTr("up to %1 (the file does not say how long it is)").arg(bytesText(row.bytes))
             : qsTr("size known once converted (the file does not say how long it is)");
    var gets = [];
    if (row.startFrame > 0)
        gets.push(qsTr("from %1", "where the output begins in the sound").arg(spanName(row.startSeconds)));
    if (row.cutFrame > 0)
        gets.push(row.fadeFrames > 0
                  ? qsTr("cuts at %1, fades %2 ms").arg(spanName(row.cutSeconds))
                        .arg(groupDigits(Math.round(row.fadeSeconds * 1000)))
                  : qsTr("cuts at %1").arg(spanName(row.cutSeconds)));
    if (row.padBytes > 0)
        gets.push(qsTr("pads %1 of silence").arg(spanName(row.padSeconds)));
    if (row.shortBy > 0)
        gets.push(qsTr("%1 short: the sound ends first").arg(bytesText(row.shortBy)));
    if (gets.length === 0 && row.bytesExact)
        gets.push(qsTr("the whole sound"));
    return gets.length === 0 ? size : size + " \u2014 " + gets.join(", ");
}

function channelsName(n) {
    if (n === 1)
        return qsTr("mono");
    if (n === 2)
        return qsTr("stereo");
    return qsTr("channels");
}

function escaped(text) {
    return text.replace(/[.*+?^${}()|[\]\\]/g, "\\$&");
}

// A typed number as the engine reads it: "1.234,5" in German and "1,234.5" in
// English both become "1234.5", and ".5" becomes "0.5"; the rest of the text
// ("1:30", "KiB") stays as typed. People type the other decimal mark as often
// as their own, so a number the locale cannot read, with one "." or "," in
// it, takes that mark for the decimal point: "2,5" in English, "2.5" in German.
function withDecimalPoint(text) {
    var locale = Qt.locale();
    var point = locale.decimalPoint;
    var group = locale.groupSeparator;
    var marks = ".," + point + group;
    // Where the locale groups with a space of its own, a plain one will do.
    if (/\s/.test(group))
        marks += " ";
    var mark = "[" + escaped(marks) + "]";
    var numbers = new RegExp(mark + "?[0-9]+(?:" + mark + "[0-9]+)*", "g");
    return String(text).trim().replace(numbers, function (typed) {
        var local = typed.replace(/ /g, group);
        var read = true;
        try {
            Number.fromLocaleString(locale, local.charAt(0) === point ? "0" + local : local);
        } catch (e) {
            read = false;
        }
        var engine;
        if (read)
            engine = local.split(group).join("").split(point).join(".");
        else if (/^[0-9]*[.,][0-9]+$/.test(typed))
            engine = typed.replace(",", ".");
        else
            return typed;
        return engine.charAt(0) === "." ? "0" + engine : engine;
    });
}

// The other way: a number the engine wrote ("1.25") as the window's locale
// writes it ("1,25" in German), for text put into a field that people read.
function localNumber(engineText) {
    return String(engineText).replace(/[0-9]+\.[0-9]+/g, function (n) {
        return n.replace(".", Qt.locale().decimalPoint);
    });
}

// --- Paths ---------------------------------------------------------------

// A local path from a file URL, as a dialog or a drop gives it; "" when the
// URL names no local file.
function urlToPath(url) {
    var s = String(url);
    if (s.indexOf("file://") !== 0)
        return "";
    var rest = s.slice(7);
    // file://host/path: only the local host is a local file.
    if (rest.charAt(0) !== "/") {
        var slash = rest.indexOf("/");
        if (slash < 0 || rest.slice(0, slash) !== "localhost")
            return "";
        rest = rest.slice(slash);
    }
    var path;
    try {
        path = decodeURIComponent(rest);
    } catch (e) {
        return ""; // a broken %-escape names no file we could open
    }
    // file:///C:/x is C:/x on Windows.
    if (/^\/[A-Za-z]:\//.test(path))
        path = path.slice(1);
    return path;
}

function pathToUrl(path) {
    var encoded = encodeURI(path).replace(/#/g, "%23").replace(/\?/g, "%3F");
    return (path.charAt(0) === "/" ? "file://" : "file:///") + encoded;
}

function fileName(path) {
    return path.slice(path.lastIndexOf("/") + 1);
}

function folderOf(path) {
    var slash = path.lastIndexOf("/");
    return slash < 0 ? "" : path.slice(0, slash + 1);
}

function withTrailingSlash(folder) {
    if (folder === "" || folder.charAt(folder.length - 1) === "/")
        return folder;
    return folder + "/";
}

// "a.wav, b.wav and 3 more"
function someNames(paths, shown) {
    var names = paths.slice(0, shown).map(fileName);
    var rest = paths.length - names.length;
    if (rest > 0)
        return qsTr("%1 and %2 more").arg(names.join(", ")).arg(groupDigits(rest));
    if (names.length > 1)
        return qsTr("%1 and %2").arg(names.slice(0, -1).join(", ")).arg(names[names.length - 1]);
    return names.join("");
}

function summaryText(converted, skipped, failed, stopped) {
    var parts = [qsTr("%1 converted").arg(groupDigits(converted))];
    if (skipped > 0)
        parts.push(qsTr("%1 skipped").arg(groupDigits(skipped)));
    if (failed > 0)
        parts.push(qsTr("%1 failed").arg(groupDigits(failed)));
    if (stopped > 0)
        parts.push(qsTr("%1 stopped").arg(groupDigits(stopped)));
    return parts.join(", ");
}

// What a drop or a chooser could not add, a line each, for the message over
// the list: [{ path, reason, empty }], empty for a folder with no audio file.
function refusalText(refused) {
    var lines = [];
    var empty = [];
    var notAdded = 0;
    for (var i = 0; i < refused.length; ++i) {
        if (refused[i].empty)
            empty.push(refused[i].path);
        else if (++notAdded <= 4)
            lines.push(qsTr("Not added: %1 \u2014 %2").arg(refused[i].path).arg(refused[i].reason));
    }
    if (notAdded > 4)
        lines.push(qsTr("…and %1 more not added for the same kind of reason.").arg(groupDigits(notAdded - 4)));
    for (var j = 0; j < empty.length && j < 3; ++j)
        lines.push(qsTr("No audio files found directly inside %1.").arg(empty[j]));
    return lines.join("\n");
}

// "gain −3.2 dB": the gain a file's own level chose; held: a loudness target
// that the true-peak ceiling kept it from reaching.
function gainText(db, held) {
    var text = qsTr("gain %1 dB").arg((db < 0 ? "\u2212" : "+") + number(Math.abs(db), 1));
    return held ? qsTr("%1, held at the peak ceiling").arg(text) : text;
}
