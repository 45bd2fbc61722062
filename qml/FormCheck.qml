// The form put to the engine: each field checked by _data.rules, the size in
// bytes that the size or the duration makes, and the command the whole form
// stands for, or the reason there is none yet, in the window's words.
import QtQuick 2.15
import "Words.js" as Words

QtObject {
    // The form as typed.
    property string rateText
    property string channelsText
    property int bits: 16
    property bool durationMode: false
    property string sizeText: "0"
    property int sizeUnit: 0
    property string durationText
    property string folderText
    property string suffix
    property var inputs: []
    // The slot options as typed.
    property bool padChecked: true
    property string fadeText: "0"
    property string startText: ""

    readonly property QtObject rules: _data.rules

    readonly property var rate: {
        if (String(rateText).trim() === "")
            return refused(qsTr("Type a sample rate, such as %1.").arg(48000));
        var a = rules.checkRate(Words.withDecimalPoint(rateText));
        return a.ok ? accepted(a.value)
                    : refused(qsTr("The sample rate must be a whole number of hertz from 1 to %1.")
                              .arg(Words.groupDigits(rules.maxSampleRate)));
    }
    readonly property var channels: {
        if (String(channelsText).trim() === "")
            return refused(qsTr("Type a channel count: 1 for mono, 2 for stereo."));
        var a = rules.checkChannels(Words.withDecimalPoint(channelsText));
        return a.ok ? accepted(a.value)
                    : refused(qsTr("The channel count must be a whole number from 1 to %1: 1 for mono, 2 for stereo.")
                              .arg(rules.maxChannels));
    }
    readonly property bool formatOk: rate.ok && channels.ok
    readonly property int frameBytes: formatOk ? rules.frameBytes(channels.value, bits) : 0

    // { ok, value (bytes), reason }; says nothing while the format is wrong.
    readonly property var size: {
        if (!formatOk)
            return refused("");
        var text = Words.withDecimalPoint(durationMode ? durationText : sizeText);
        if (text === "")
            return refused(durationMode ? qsTr("Type a duration in seconds, such as %1, or as %2.")
                                              .arg(Words.localNumber("2.5")).arg("1:30")
                                        : qsTr("Type a size, or 0 to keep the whole sound."));
        var unit = (Words.sizeUnits[sizeUnit] || Words.sizeUnits[0]).written;
        var a = durationMode ? rules.sizeForDuration(text, rate.value, channels.value, bits)
                             : rules.parseSize(unit === "" ? text : text + " " + unit);
        if (!a.ok)
            return refused(durationMode ? qsTr("The duration %1.").arg(a.error)
                                        : qsTr("The size %1.").arg(a.error));
        return accepted(a.bytes);
    }
    readonly property var layout: size.ok ? rules.sizeLayout(size.value, channels.value, bits)
                                          : { frames: 0, whole: true, lower: null, upper: null }
    // A cut in the middle of a frame leaves a torn last sample.
    readonly property bool partialFrame: size.ok && !durationMode && !layout.whole

    // The other view of the size: the sound a size holds, the bytes a duration makes.
    readonly property string sizeInfo: {
        if (!size.ok)
            return "";
        var bytes = size.value;
        if (bytes === 0)
            return qsTr("0 keeps the whole converted sound, however long it is.");
        var frames = Words.plural(layout.frames, qsTr("frame"), qsTr("frames"));
        if (durationMode)
            return qsTr("Each file will be exactly %1 (%2): %3.").arg(Words.bytesText(bytes))
                   .arg(Words.friendlyBytes(bytes)).arg(frames);
        var sound = Words.friendlyDuration(layout.frames / rate.value);
        // A size in KiB or MiB is also said in bytes, the unit the engine writes.
        return sizeUnit > 0 ? qsTr("= %1. Holds %2 of sound (%3).").arg(Words.bytesText(bytes)).arg(sound).arg(frames)
                            : qsTr("Holds %1 of sound (%2).").arg(sound).arg(frames);
    }

    // Padding and fading need a size to fill or to cut at.
    readonly property bool sized: size.ok && size.value > 0
    readonly property var fade: {
        var text = Words.withDecimalPoint(fadeText);
        if (text === "" || !sized)
            return accepted(0);
        var a = rules.checkOption("fadeOutMs", text);
        return a.ok ? accepted(parseInt(text, 10))
                    : refused(qsTr("The fade-out must be a whole number of milliseconds, up to an hour; 0 for none."));
    }
    // value: the start as the engine reads it, "" for the beginning.
    readonly property var start: {
        var text = Words.withDecimalPoint(startText);
        if (text === "")
            return accepted("");
        var a = rules.checkOption("start", text);
        return a.ok ? accepted(text)
                    : refused(qsTr("The start must be a time in seconds, such as %1, or as %2.")
                              .arg(Words.localNumber("1.25")).arg(Words.localNumber("0:01.250")));
    }
    // The options that go with the command, as _data.doConvertOptions takes them.
    readonly property var options: ({ pad: sized && padChecked, fadeOutMs: fade.value, start: start.value })

    readonly property string outputFolder: _data.rules.typedFolder(Words.effectiveFolder(folderText, inputs))
    readonly property string folderReason: folderText.indexOf(",") >= 0
        ? qsTr("The output folder's path holds a comma, which Sabletide cannot pass on. Choose another folder.") : ""
    readonly property string suffixReason: suffix.indexOf(",") >= 0 ? qsTr("The suffix cannot hold a comma.")
                                         : suffix.indexOf("/") >= 0 ? qsTr("The suffix cannot hold a /.") : ""

    // The output name of each input, as the engine gives it.
    function outputOf(input) {
        return rules.outputPath(input, outputFolder, suffix);
    }

    // { ok, command, reason }: reason says what stops the conversion, in the
    // words of the field at fault.
    readonly property var plan: {
        if (inputs.length === 0)
            return refusedPlan(qsTr("Add the audio files to convert."));
        if (!rate.ok)
            return refusedPlan(rate.reason);
        if (!channels.ok)
            return refusedPlan(channels.reason);
        if (!size.ok)
            return refusedPlan(size.reason);
        if (!fade.ok)
            return refusedPlan(fade.reason);
        if (!start.ok)
            return refusedPlan(start.reason);
        for (var i = 0; i < inputs.length; ++i) {
            if (inputs[i].indexOf(",") >= 0)
                return refusedPlan(qsTr("%1: its path holds a comma, which Sabletide cannot pass on. "
                                        + "Rename the file or folder without the comma.")
                                   .arg(Words.fileName(inputs[i])));
        }
        if (outputFolder === "")
            return refusedPlan(qsTr("Choose an output folder."));
        if (folderReason !== "")
            return refusedPlan(folderReason);
        if (suffixReason !== "")
            return refusedPlan(suffixReason);
        var clashes = rules.outputClashes(inputs, outputFolder, suffix);
        if (clashes.length > 0)
            return refusedPlan(clashText(clashes[0]));
        return { ok: true, reason: "",
                 command: rules.composeCommand(rate.value, channels.value, bits, size.value,
                                               outputFolder, suffix, inputs) };
    }

    function clashText(c) {
        var name = Words.fileName(c.input);
        if (c.kind === "itself")
            return qsTr("%1 would be written over itself. Type a suffix or choose another output folder.").arg(name);
        if (c.kind === "input")
            return qsTr("%1 would be written over %2, another file in the list. "
                        + "Type a suffix or choose another output folder.")
                   .arg(name).arg(Words.fileName(c.other));
        return qsTr("%1 and %2 would both become %3. Type a suffix, or convert them separately.")
               .arg(Words.fileName(c.other)).arg(name).arg(Words.fileName(c.output));
    }

    function accepted(value) { return { ok: true, value: value, reason: "" }; }
    function refused(reason) { return { ok: false, value: 0, reason: reason }; }
    function refusedPlan(reason) { return { ok: false, command: "", reason: reason }; }
}
