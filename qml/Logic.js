// The window's arithmetic and rules, kept free of layout so that tests can call
// them directly: checking the form, building the convert command, sizes and
// durations, and the output name the engine will give each input.
.pragma library

var headerBytes = 44;
var maxFileSize = 4294967295;
var maxSampleRate = 768000;
var maxChannels = 255;
var ratePresets = [8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000];
var bitDepths = [8, 16, 24, 32];
var units = [
    { name: "bytes", factor: 1 },
    { name: "KiB", factor: 1024 },
    { name: "MiB", factor: 1048576 }
];

// Names a dropped folder is searched for. Headerless raw formats are left out:
// they cannot be told from other files by their name.
var audioExtensions = ["wav", "wave", "flac", "aif", "aiff", "aifc", "aiffc", "ogg", "oga",
                       "mp3", "mp2", "au", "snd", "caf", "w64", "voc", "8svx", "sph", "sf",
                       "wv", "avr", "prc", "sd2", "sds", "smp", "txw", "xi", "amb", "htk",
                       "ircam", "maud", "nist", "paf", "pvf", "wve"];

function audioNameFilters() {
    return audioExtensions.map(function (e) { return "*." + e; });
}

function isAudioName(name) {
    var dot = name.lastIndexOf(".");
    return dot >= 0 && audioExtensions.indexOf(name.slice(dot + 1).toLowerCase()) >= 0;
}

// --- Numbers -------------------------------------------------------------

function parseWhole(text) {
    var t = String(text).trim();
    if (!/^[0-9]+$/.test(t))
        return NaN;
    return Number(t);
}

// Decimal comma or point: people type both.
function parseDecimal(text) {
    var t = String(text).trim().replace(",", ".");
    if (!/^([0-9]+\.?[0-9]*|\.[0-9]+)$/.test(t))
        return NaN;
    return Number(t);
}

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

// --- Format fields -------------------------------------------------------
// Each check returns { ok, value, reason }; reason is a sentence for the field.

function checkRate(text) {
    var v = parseWhole(text);
    if (String(text).trim() === "")
        return { ok: false, value: 0, reason: "Type a sample rate, such as 48000." };
    if (isNaN(v))
        return { ok: false, value: 0, reason: "The sample rate is a whole number of hertz, such as 48000." };
    if (v < 1 || v > maxSampleRate)
        return { ok: false, value: v, reason: "The sample rate must be from 1 to " + groupDigits(maxSampleRate) + " Hz." };
    return { ok: true, value: v, reason: "" };
}

function checkChannels(text) {
    var v = parseWhole(text);
    if (String(text).trim() === "")
        return { ok: false, value: 0, reason: "Type a channel count: 1 for mono, 2 for stereo." };
    if (isNaN(v))
        return { ok: false, value: 0, reason: "The channel count is a whole number: 1 for mono, 2 for stereo." };
    if (v < 1 || v > maxChannels)
        return { ok: false, value: v, reason: "The channel count must be from 1 to " + maxChannels + "." };
    return { ok: true, value: v, reason: "" };
}

function checkBits(bits) {
    if (bitDepths.indexOf(Number(bits)) < 0)
        return { ok: false, value: Number(bits), reason: "Choose 8, 16, 24 or 32 bits." };
    return { ok: true, value: Number(bits), reason: "" };
}

function channelsName(n) {
    if (n === 1)
        return "mono";
    if (n === 2)
        return "stereo";
    return "channels";
}

// --- Size and duration ---------------------------------------------------

// One frame: one sample for every channel.
function frameBytes(channels, bits) {
    return channels * Math.ceil(bits / 8);
}

// The exact file size that holds `seconds` of sound: the header and the whole
// frames that fit into that time. 0 seconds keeps the whole sound (size 0).
function sizeForDuration(seconds, rate, channels, bits) {
    if (seconds === 0)
        return 0;
    // The small nudge keeps 0.1 s at 44100 Hz from losing a frame to rounding.
    var frames = Math.floor(seconds * rate + 1e-7);
    return headerBytes + frames * frameBytes(channels, bits);
}

// How much sound a file of `size` bytes holds, whole frames only.
function framesForSize(size, channels, bits) {
    if (size <= headerBytes)
        return 0;
    return Math.floor((size - headerBytes) / frameBytes(channels, bits));
}

function durationForSize(size, rate, channels, bits) {
    return framesForSize(size, channels, bits) / rate;
}

function isWholeFrames(size, channels, bits) {
    return size === 0 || (size - headerBytes) % frameBytes(channels, bits) === 0;
}

// The whole-frame sizes just below and just above `size`; either is null when
// it would hold no frame at all or pass the largest size a WAV file can have.
function nearestWholeFrameSizes(size, channels, bits) {
    var fb = frameBytes(channels, bits);
    var lower = headerBytes + Math.floor((size - headerBytes) / fb) * fb;
    var upper = lower + fb;
    return {
        lower: lower >= headerBytes + fb ? lower : null,
        upper: upper <= maxFileSize ? upper : null
    };
}

// A size typed in bytes, KiB or MiB, as whole bytes.
function checkSize(text, unitIndex, channels, bits) {
    var unit = units[unitIndex] || units[0];
    if (String(text).trim() === "")
        return { ok: false, value: 0, reason: "Type a size, or 0 to keep the whole sound." };
    var v = unit.factor === 1 ? parseWhole(text) : parseDecimal(text);
    if (isNaN(v))
        return { ok: false, value: 0, reason: unit.factor === 1
                 ? "The size in bytes is a whole number, such as 65580."
                 : "The size is a number, such as 1.5." };
    var bytes = Math.round(v * unit.factor);
    return checkSizeBytes(bytes, channels, bits);
}

function checkSizeBytes(bytes, channels, bits) {
    if (bytes > maxFileSize)
        return { ok: false, value: bytes, reason: "A WAV file can be at most " + groupDigits(maxFileSize) + " bytes (4 GiB)." };
    var smallest = headerBytes + frameBytes(channels, bits);
    if (bytes !== 0 && bytes < smallest)
        return { ok: false, value: bytes, reason: "Too small: a file needs " + headerBytes
                 + " bytes of header and at least one frame, " + groupDigits(smallest)
                 + " bytes in all. Type 0 to keep the whole sound." };
    return { ok: true, value: bytes, reason: "" };
}

function checkDuration(text, rate, channels, bits) {
    if (String(text).trim() === "")
        return { ok: false, value: 0, reason: "Type a duration in seconds, or 0 to keep the whole sound." };
    var s = parseDecimal(text);
    if (isNaN(s))
        return { ok: false, value: 0, reason: "The duration is a number of seconds, such as 2.5." };
    var bytes = sizeForDuration(s, rate, channels, bits);
    if (s > 0 && bytes === headerBytes)
        return { ok: false, value: bytes, reason: "Shorter than one frame at " + groupDigits(rate) + " Hz." };
    if (bytes > maxFileSize)
        return { ok: false, value: bytes, reason: "Too long: a WAV file can hold at most "
                 + friendlyDuration(durationForSize(maxFileSize, rate, channels, bits)) + " at this format." };
    return { ok: true, value: bytes, reason: "" };
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

// Why a path cannot be a part of the command, or "" when it can: the command
// separates its parts with commas and has no way to quote one.
function commaProblem(path) {
    if (path.indexOf(",") >= 0)
        return "its path holds a comma, which Sabletide cannot pass on. Rename the file or folder without the comma.";
    return "";
}

// The output path the engine gives an input: the input's file name in
// `folder`; the suffix goes before ".wav", and a name that does not end in
// ".wav" swaps its last extension for suffix + ".wav".
function outputPath(inputPath, folder, suffix) {
    var name = fileName(inputPath);
    if (/\.wav$/i.test(name)) {
        if (suffix !== "")
            name = name.slice(0, name.length - 4) + suffix + ".wav";
    } else {
        var dot = name.lastIndexOf(".");
        // A leading dot names a hidden file, not an extension.
        if (dot > 0)
            name = name.slice(0, dot);
        name += suffix + ".wav";
    }
    if (folder === "" || folder.charAt(folder.length - 1) === "/")
        return folder + name;
    return folder + "/" + name;
}

// The folder the command names: the chosen one, or else the first input's.
function effectiveFolder(chosenFolder, inputs) {
    var f = String(chosenFolder).trim();
    if (f !== "")
        return withTrailingSlash(f);
    return inputs.length > 0 ? folderOf(inputs[0]) : "";
}

function checkSuffix(suffix) {
    if (suffix.indexOf(",") >= 0)
        return { ok: false, reason: "The suffix cannot hold a comma." };
    if (suffix.indexOf("/") >= 0)
        return { ok: false, reason: "The suffix cannot hold a /." };
    return { ok: true, reason: "" };
}

function checkFolder(folder) {
    if (folder.indexOf(",") >= 0)
        return { ok: false, reason: "The output folder's path holds a comma, which Sabletide cannot pass on. Choose another folder." };
    return { ok: true, reason: "" };
}

// Outputs that would destroy something: an input written over itself, or two
// inputs written to one output. Returns "" when every output is distinct.
function collisionProblem(inputs, folder, suffix) {
    var seen = {};
    for (var i = 0; i < inputs.length; ++i) {
        var out = outputPath(inputs[i], folder, suffix);
        if (out === inputs[i])
            return fileName(inputs[i]) + " would be written over itself. Type a suffix or choose another output folder.";
        if (seen.hasOwnProperty(out))
            return fileName(seen[out]) + " and " + fileName(inputs[i]) + " would both become "
                   + fileName(out) + ". Type a suffix, or convert them separately.";
        seen[out] = inputs[i];
    }
    return "";
}

// --- The command ---------------------------------------------------------

// form: { rate, channels, bits, size (bytes), folder, suffix, inputs }; rate and
// channels as typed. sizeReason, when not empty, says why the size is refused.
function composeCommand(form) {
    var parts = ["$DoConvert", String(form.rate), String(form.channels), String(form.bits),
                 String(form.size), withTrailingSlash(form.folder), form.suffix];
    return parts.concat(form.inputs).join(",");
}

// Checks a whole form and builds its command. Returns { ok, command, reason };
// reason says what stops the conversion, in the words of the field at fault.
function buildCommand(form) {
    function refuse(reason) { return { ok: false, command: "", reason: reason }; }
    if (form.inputs.length === 0)
        return refuse("Add the audio files to convert.");
    var r = checkRate(form.rate);
    if (!r.ok) return refuse(r.reason);
    var c = checkChannels(form.channels);
    if (!c.ok) return refuse(c.reason);
    var b = checkBits(form.bits);
    if (!b.ok) return refuse(b.reason);
    if (form.sizeReason)
        return refuse(form.sizeReason);
    var s = checkSizeBytes(Number(form.size), c.value, b.value);
    if (!s.ok) return refuse(s.reason);
    for (var i = 0; i < form.inputs.length; ++i) {
        var p = commaProblem(form.inputs[i]);
        if (p !== "")
            return refuse(fileName(form.inputs[i]) + ": " + p);
    }
    if (form.folder === "")
        return refuse("Choose an output folder.");
    var f = checkFolder(form.folder);
    if (!f.ok) return refuse(f.reason);
    var x = checkSuffix(form.suffix);
    if (!x.ok) return refuse(x.reason);
    var folder = withTrailingSlash(form.folder);
    var clash = collisionProblem(form.inputs, folder, form.suffix);
    if (clash !== "")
        return refuse(clash);
    return {
        ok: true,
        reason: "",
        command: composeCommand({ rate: r.value, channels: c.value, bits: b.value, size: s.value,
                                  folder: folder, suffix: form.suffix, inputs: form.inputs })
    };
}

function summaryText(converted, failed) {
    var parts = [groupDigits(converted) + " converted"];
    if (failed > 0)
        parts.push(groupDigits(failed) + " failed");
    return parts.join(", ");
}
