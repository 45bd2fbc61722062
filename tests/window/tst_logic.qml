// The window's rules without the window: the command it builds, the size and
// duration arithmetic, file URLs and the naming preview.
import QtQuick 2.15
import QtTest 1.2
import "../../qml/Logic.js" as Logic
import "naming_cases.js" as Naming

TestCase {
    name: "Logic"

    function form(changes) {
        var f = { rate: "48000", channels: "1", bits: 24, size: 65580, folder: "/srv/audio/out/",
                  suffix: "_48k", inputs: ["/srv/audio/in/take1.wav"] };
        for (var k in changes)
            f[k] = changes[k];
        return f;
    }

    function test_command_data() {
        return [
            { tag: "positions in order", form: form({}),
              command: "$DoConvert,48000,1,24,65580,/srv/audio/out/,_48k,/srv/audio/in/take1.wav" },
            { tag: "folder gets its trailing slash", form: form({ folder: "/srv/audio/out" }),
              command: "$DoConvert,48000,1,24,65580,/srv/audio/out/,_48k,/srv/audio/in/take1.wav" },
            { tag: "several inputs keep their order",
              form: form({ inputs: ["/in/b.flac", "/in/a.wav", "/in/Room B.WAV"] }),
              command: "$DoConvert,48000,1,24,65580,/srv/audio/out/,_48k,/in/b.flac,/in/a.wav,/in/Room B.WAV" },
            { tag: "typed numbers are trimmed", form: form({ rate: " 44100 ", channels: "2 " }),
              command: "$DoConvert,44100,2,24,65580,/srv/audio/out/,_48k,/srv/audio/in/take1.wav" },
            { tag: "empty suffix stays an empty part", form: form({ suffix: "", inputs: ["/in/a.flac"] }),
              command: "$DoConvert,48000,1,24,65580,/srv/audio/out/,,/in/a.flac" },
            { tag: "size 0 keeps the whole sound", form: form({ size: 0, bits: 8 }),
              command: "$DoConvert,48000,1,8,0,/srv/audio/out/,_48k,/srv/audio/in/take1.wav" },
            { tag: "largest size", form: form({ size: 4294967295, bits: 32, channels: "255", rate: "768000" }),
              command: "$DoConvert,768000,255,32,4294967295,/srv/audio/out/,_48k,/srv/audio/in/take1.wav" },
            { tag: "no inputs", form: form({ inputs: [] }), reason: "Add the audio files" },
            { tag: "comma in an input", form: form({ inputs: ["/in/a.wav", "/in/b,c.wav"] }),
              reason: "b,c.wav: its path holds a comma" },
            { tag: "comma in the folder", form: form({ folder: "/out,1/" }), reason: "comma" },
            { tag: "comma in the suffix", form: form({ suffix: "_a,b" }), reason: "suffix cannot hold a comma" },
            { tag: "slash in the suffix", form: form({ suffix: "/tmp/x" }), reason: "suffix cannot hold a /" },
            { tag: "no folder", form: form({ folder: "" }), reason: "Choose an output folder" },
            { tag: "rate 0", form: form({ rate: "0" }), reason: "from 1 to 768,000 Hz" },
            { tag: "rate 768001", form: form({ rate: "768001" }), reason: "from 1 to 768,000 Hz" },
            { tag: "rate with a fraction", form: form({ rate: "44100.5" }), reason: "whole number of hertz" },
            { tag: "rate empty", form: form({ rate: "" }), reason: "Type a sample rate" },
            { tag: "channels 0", form: form({ channels: "0" }), reason: "from 1 to 255" },
            { tag: "channels 256", form: form({ channels: "256" }), reason: "from 1 to 255" },
            { tag: "bits 12", form: form({ bits: 12 }), reason: "8, 16, 24 or 32" },
            { tag: "size below one frame", form: form({ size: 46 }), reason: "Too small" },
            { tag: "size 44 is header only", form: form({ size: 44 }), reason: "Too small" },
            { tag: "size past 4 GiB", form: form({ size: 4294967296 }), reason: "at most 4,294,967,295" },
            { tag: "size refused by its field", form: form({ sizeReason: "Type a size." }), reason: "Type a size." },
            { tag: "input written over itself",
              form: form({ folder: "/srv/audio/in", suffix: "" }), reason: "take1.wav would be written over itself" },
            { tag: "two inputs, one output",
              form: form({ inputs: ["/in/a.flac", "/other/a.ogg"] }), reason: "a.flac and a.ogg would both become a_48k.wav" }
        ];
    }

    function test_command(data) {
        var r = Logic.buildCommand(data.form);
        if (data.command !== undefined) {
            compare(r.reason, "");
            verify(r.ok);
            compare(r.command, data.command);
            // The parts the engine counts: tag, four numbers, folder, suffix, inputs.
            compare(r.command.split(",").length, 7 + data.form.inputs.length);
        } else {
            verify(!r.ok);
            compare(r.command, "");
            verify(r.reason.indexOf(data.reason) >= 0, r.reason);
        }
    }

    function test_sizeForDuration_data() {
        return [
            { tag: "1 s CD stereo", seconds: 1, rate: 44100, channels: 2, bits: 16, size: 44 + 44100 * 4 },
            { tag: "0.1 s keeps its last frame", seconds: 0.1, rate: 44100, channels: 1, bits: 16, size: 44 + 4410 * 2 },
            { tag: "0.3 s at 48 kHz", seconds: 0.3, rate: 48000, channels: 1, bits: 8, size: 44 + 14400 },
            { tag: "2.5 s of 24-bit stereo", seconds: 2.5, rate: 48000, channels: 2, bits: 24, size: 44 + 120000 * 6 },
            { tag: "part of a frame is dropped", seconds: 1.00001, rate: 8000, channels: 1, bits: 32, size: 44 + 8000 * 4 },
            { tag: "0 keeps everything", seconds: 0, rate: 44100, channels: 2, bits: 16, size: 0 },
            { tag: "six channels", seconds: 1, rate: 8000, channels: 6, bits: 16, size: 44 + 8000 * 12 }
        ];
    }

    function test_sizeForDuration(data) {
        compare(Logic.sizeForDuration(data.seconds, data.rate, data.channels, data.bits), data.size);
        if (data.size > 0) {
            // And back: the size holds the whole frames of that duration.
            var frames = (data.size - 44) / Logic.frameBytes(data.channels, data.bits);
            compare(Logic.durationForSize(data.size, data.rate, data.channels, data.bits), frames / data.rate);
        }
    }

    function test_durationForSize_data() {
        return [
            { tag: "one second", size: 176444, rate: 44100, channels: 2, bits: 16, seconds: 1 },
            { tag: "torn frame does not count", size: 176447, rate: 44100, channels: 2, bits: 16, seconds: 1 },
            { tag: "header only", size: 44, rate: 44100, channels: 2, bits: 16, seconds: 0 },
            { tag: "less than a frame", size: 47, rate: 8000, channels: 1, bits: 32, seconds: 0 },
            { tag: "largest file, 8-bit mono", size: 4294967295, rate: 8000, channels: 1, bits: 8,
              seconds: (4294967295 - 44) / 8000 }
        ];
    }

    function test_durationForSize(data) {
        compare(Logic.durationForSize(data.size, data.rate, data.channels, data.bits), data.seconds);
    }

    function test_wholeFrames_data() {
        return [
            { tag: "whole", size: 1000, channels: 2, bits: 16, whole: true, lower: null, upper: null },
            { tag: "zero is the whole sound", size: 0, channels: 2, bits: 16, whole: true, lower: null, upper: null },
            { tag: "three bytes over", size: 1003, channels: 2, bits: 16, whole: false, lower: 1000, upper: 1004 },
            { tag: "24-bit stereo", size: 100, channels: 2, bits: 24, whole: false, lower: 98, upper: 104 },
            { tag: "no whole frame below", size: 47, channels: 2, bits: 16, whole: false, lower: null, upper: 48 },
            { tag: "no whole frame above", size: 4294967295, channels: 2, bits: 16, whole: false,
              lower: 4294967292, upper: null },
            { tag: "8-bit mono is always whole", size: 4294967295, channels: 1, bits: 8, whole: true,
              lower: null, upper: null }
        ];
    }

    function test_wholeFrames(data) {
        compare(Logic.isWholeFrames(data.size, data.channels, data.bits), data.whole);
        if (!data.whole) {
            var n = Logic.nearestWholeFrameSizes(data.size, data.channels, data.bits);
            compare(n.lower, data.lower);
            compare(n.upper, data.upper);
        }
    }

    function test_checkSize_data() {
        return [
            { tag: "bytes", text: "65580", unit: 0, ok: true, bytes: 65580 },
            { tag: "KiB with a fraction", text: "1.5", unit: 1, ok: true, bytes: 1536 },
            { tag: "KiB with a decimal comma", text: "1,5", unit: 1, ok: true, bytes: 1536 },
            { tag: "MiB", text: "1", unit: 2, ok: true, bytes: 1048576 },
            { tag: "4096 MiB is one byte too many", text: "4096", unit: 2, ok: false, reason: "at most" },
            { tag: "bytes cannot be fractions", text: "1.5", unit: 0, ok: false, reason: "whole number" },
            { tag: "words", text: "big", unit: 1, ok: false, reason: "is a number" },
            { tag: "negative", text: "-5", unit: 0, ok: false, reason: "whole number" },
            { tag: "empty", text: " ", unit: 0, ok: false, reason: "or 0 to keep" },
            { tag: "zero", text: "0", unit: 2, ok: true, bytes: 0 },
            { tag: "one frame is the least", text: "48", unit: 0, ok: true, bytes: 48 },
            { tag: "less than one frame", text: "47", unit: 0, ok: false, reason: "48 bytes in all" }
        ];
    }

    function test_checkSize(data) {
        var r = Logic.checkSize(data.text, data.unit, 2, 16);
        compare(r.ok, data.ok);
        if (data.ok)
            compare(r.value, data.bytes);
        else
            verify(r.reason.indexOf(data.reason) >= 0, r.reason);
    }

    function test_checkDuration_data() {
        return [
            { tag: "seconds", text: "2", ok: true, bytes: 44 + 2 * 8000 * 2 },
            { tag: "decimal comma", text: "0,5", ok: true, bytes: 44 + 4000 * 2 },
            { tag: "leading point", text: ".25", ok: true, bytes: 44 + 2000 * 2 },
            { tag: "zero keeps all", text: "0", ok: true, bytes: 0 },
            { tag: "shorter than a frame", text: "0.0001", ok: false, reason: "Shorter than one frame" },
            { tag: "too long", text: "300000", ok: false, reason: "Too long" },
            { tag: "negative", text: "-1", ok: false, reason: "number of seconds" },
            { tag: "minutes are not understood", text: "1:30", ok: false, reason: "number of seconds" }
        ];
    }

    function test_checkDuration(data) {
        var r = Logic.checkDuration(data.text, 8000, 1, 16);
        compare(r.ok, data.ok);
        if (data.ok)
            compare(r.value, data.bytes);
        else
            verify(r.reason.indexOf(data.reason) >= 0, r.reason);
    }

    function test_urlToPath_data() {
        return [
            { tag: "plain", url: "file:///home/ana/a.wav", path: "/home/ana/a.wav" },
            { tag: "escapes", url: "file:///home/ana/Room%20B%23%3F%25.WAV", path: "/home/ana/Room B#?%.WAV" },
            { tag: "utf-8", url: "file:///m%C3%BAsica/%C3%A9t%C3%A9.flac", path: "/música/été.flac" },
            { tag: "localhost", url: "file://localhost/tmp/a.wav", path: "/tmp/a.wav" },
            { tag: "other host", url: "file://server/share/a.wav", path: "" },
            { tag: "web address", url: "https://example.org/a.wav", path: "" },
            { tag: "windows drive", url: "file:///C:/Users/a.wav", path: "C:/Users/a.wav" },
            { tag: "broken escape", url: "file:///tmp/%E0%A4%A", path: "" }
        ];
    }

    function test_urlToPath(data) {
        compare(Logic.urlToPath(data.url), data.path);
    }

    function test_pathRoundTrip_data() {
        return [
            { tag: "spaces", path: "/home/ana/Room B.wav" },
            { tag: "url syntax", path: "/tmp/a#b?c%20d.wav" },
            { tag: "accents", path: "/música/été.flac" },
            { tag: "folder", path: "/srv/audio/out/" }
        ];
    }

    function test_pathRoundTrip(data) {
        compare(Logic.urlToPath(Logic.pathToUrl(data.path)), data.path);
    }

    function test_naming_data() {
        return Naming.cases;
    }

    function test_naming(data) {
        compare(Logic.outputPath(data.input, data.folder, data.suffix), data.expected);
    }

    function test_effectiveFolder_data() {
        return [
            { tag: "chosen", chosen: "/out", inputs: ["/in/a.wav"], folder: "/out/" },
            { tag: "chosen with spaces around", chosen: " /out/ ", inputs: [], folder: "/out/" },
            { tag: "first input's", chosen: "", inputs: ["/in/x/a.wav", "/other/b.wav"], folder: "/in/x/" },
            { tag: "input at the root", chosen: "", inputs: ["/a.wav"], folder: "/" },
            { tag: "nothing yet", chosen: "", inputs: [], folder: "" }
        ];
    }

    function test_effectiveFolder(data) {
        compare(Logic.effectiveFolder(data.chosen, data.inputs), data.folder);
    }

    function test_isAudioName_data() {
        return [
            { tag: "wav", name: "a.wav", audio: true },
            { tag: "upper case", name: "B.FLAC", audio: true },
            { tag: "two dots", name: "live.2024.ogg", audio: true },
            { tag: "text", name: "notes.txt", audio: false },
            { tag: "no extension", name: "README", audio: false },
            { tag: "raw has no header", name: "dump.raw", audio: false }
        ];
    }

    function test_isAudioName(data) {
        compare(Logic.isAudioName(data.name), data.audio);
    }

    function test_summary_data() {
        return [
            { tag: "with failures", converted: 12, failed: 1, text: "12 converted, 1 failed" },
            { tag: "all converted", converted: 3, failed: 0, text: "3 converted" },
            { tag: "none converted", converted: 0, failed: 2, text: "0 converted, 2 failed" },
            { tag: "thousands", converted: 1234, failed: 0, text: "1,234 converted" }
        ];
    }

    function test_summary(data) {
        compare(Logic.summaryText(data.converted, data.failed), data.text);
    }
}
