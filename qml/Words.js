// The window's words: numbers grouped and rounded for reading, plurals and
// durations, and the file URLs and paths that dialogs and drops hand over.
// Rules (names, sizes, limits) are the engine's; the window asks _data.rules.
.pragma library

var ratePresets = [8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000];
var bitDepths = [8, 16, 24, 32];
// The size box's units, and how the engine's size reader writes each.
var sizeUnits = [
    { name: "bytes", written: "" },
    { name: "KiB", written: "KiB" },
    { name: "MiB", written: "MiB" }
];

function groupDigits(n) {
    var s = String(n);
    var out = "";
    while (s.length > 3) {
        out = "," + s.slice(-3) + out;
        s = s.slice(0, -3);
    }
    return s + out;
}

function plural(n, one, many) {
    return groupDigits(n) + " " + (n === 1 ? one : many);
}

// "1.5 KiB", "3.2 MiB": a rounded companion to an exact byte count.
function friendlyBytes(bytes) {
    if (bytes < 1024)
        return plural(bytes, "byte", "bytes");
    if (bytes < 1048576)
        return (bytes / 1024).toFixed(1) + " KiB";
    if (bytes < 1073741824)
        return (bytes / 1048576).toFixed(1) + " MiB";
    return (bytes / 1073741824).toFixed(2) + " GiB";
}

// "0.250 s", "1 min 5.000 s", "1 h 2 min 3.000 s"
function friendlyDuration(seconds) {
    var h = Math.floor(seconds / 3600);
    var m = Math.floor((seconds - h * 3600) / 60);
    var s = seconds - h * 3600 - m * 60;
    var text = s.toFixed(3) + " s";
    if (h > 0)
        return h + " h " + m + " min " + text;
    if (m > 0)
        return m + " min " + text;
    return text;
}

// "44.1 kHz", "48 kHz", "800 Hz"
function rateName(hz) {
    if (hz < 1000)
        return Math.round(hz) + " Hz";
    return Number((hz / 1000).toFixed(3)) + " kHz";
}

// "2.50 s", "3 min 5.5 s", "2 min", "1 h 2 min 3 s": the length of a sound.
function lengthName(seconds) {
    if (seconds < 60)
        return seconds.toFixed(2) + " s";
    var tenths = Math.round(seconds * 10);
    var h = Math.floor(tenths / 36000);
    var m = Math.floor((tenths - h * 36000) / 600);
    var s = (tenths - h * 36000 - m * 600) / 10;
    if (h > 0)
        return h + " h " + m + " min" + (s >= 1 ? " " + Math.floor(s) + " s" : "");
    return m + " min" + (s > 0 ? " " + s + " s" : "");
}

// "1.8 s", "0.25 s": a point or a span within a sound, to the millisecond.
function spanName(seconds) {
    return seconds < 60 ? Number(seconds.toFixed(3)) + " s" : lengthName(seconds);
}

// "FLAC · 44.1 kHz · stereo · 2.50 s" from the planner's facts of an input;
// "" when libsox could not open it.
function factsText(facts) {
    if (!facts || !facts.opened)
        return "";
    var channels = facts.channels === 1 ? "mono" : facts.channels === 2 ? "stereo"
                                                                        : facts.channels + " channels";
    return [String(facts.format).toUpperCase(), rateName(facts.sampleRate), channels,
            facts.frames > 0 ? lengthName(facts.seconds) : "length unknown"].join(" \u00b7 ");
}

// What the planner says an input's output will get: its size, then where the
// sound is cut, padded or falls short. Refused and skipped rows give the
// planner's reason.
function plannedText(row) {
    if (row.status === "refused")
        return "Will not convert: " + row.reason;
    if (row.status === "skip")
        return "Will be skipped: " + row.reason;
    var size = row.bytesExact ? plural(row.bytes, "byte", "bytes")
             : row.bytes > 0 ? "up to " + plural(row.bytes, "byte", "bytes")
                             + " (the file does not say how long it is)"
             : "size known once converted (the file does not say how long it is)";
    var gets = [];
    if (row.startFrame > 0)
        gets.push("from " + spanName(row.startSeconds));
    if (row.cutFrame > 0)
        gets.push("cuts at " + spanName(row.cutSeconds)
                  + (row.fadeFrames > 0 ? ", fades " + Math.round(row.fadeSeconds * 1000) + " ms" : ""));
    if (row.padBytes > 0)
        gets.push("pads " + spanName(row.padSeconds) + " of silence");
    if (row.shortBy > 0)
        gets.push(plural(row.shortBy, "byte", "bytes") + " short: the sound ends first");
    if (gets.length === 0 && row.bytesExact)
        gets.push("the whole sound");
    return gets.length === 0 ? size : size + " \u2014 " + gets.join(", ");
}

function channelsName(n) {
    if (n === 1)
        return "mono";
    if (n === 2)
        return "stereo";
    return "channels";
}

// People type a decimal comma as often as a point, and ".5" for "0.5"; the
// engine reads neither.
function withDecimalPoint(text) {
    var t = String(text).trim().replace(",", ".");
    return t.charAt(0) === "." ? "0" + t : t;
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

// The folder the command names: the chosen one, or else the first input's.
function effectiveFolder(chosenFolder, inputs) {
    var f = String(chosenFolder).trim();
    if (f !== "")
        return withTrailingSlash(f);
    return inputs.length > 0 ? folderOf(inputs[0]) : "";
}

// "a.wav, b.wav and 3 more"
function someNames(paths, shown) {
    var names = paths.slice(0, shown).map(fileName);
    var rest = paths.length - names.length;
    if (rest > 0)
        return names.join(", ") + " and " + rest + " more";
    if (names.length > 1)
        return names.slice(0, -1).join(", ") + " and " + names[names.length - 1];
    return names.join("");
}

function summaryText(converted, skipped, failed, stopped) {
    var parts = [groupDigits(converted) + " converted"];
    if (skipped > 0)
        parts.push(groupDigits(skipped) + " skipped");
    if (failed > 0)
        parts.push(groupDigits(failed) + " failed");
    if (stopped > 0)
        parts.push(groupDigits(stopped) + " stopped");
    return parts.join(", ");
}
