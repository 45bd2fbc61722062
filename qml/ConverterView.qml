// The whole window's content: the inputs on the left, the output format, size
// and place on the right, and the Convert button below. It talks to the
// program only through _data: the engine's rules asked, one command out, and
// the news that comes back.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import QtQuick.Dialogs 1.3 as Dialogs
import Qt.labs.platform 1.1 as Platform
import Sabletide.Preview 1.0
import "Words.js" as Words

Item {
    id: view
    objectName: "converterView"

    // The form's fields, for main.qml and for tests.
    property alias rateText: rateBox.editText
    property alias channelsText: channelsBox.editText
    property alias bitsIndex: bitsBox.currentIndex
    property alias durationMode: durationRadio.checked
    property alias sizeText: sizeField.text
    property alias sizeUnit: unitBox.currentIndex
    property alias durationText: durationField.text
    property alias folderText: folderField.text
    property alias suffixText: suffixField.text
    property alias padChecked: slotForm.padChecked
    property alias fadeText: slotForm.fadeText
    property alias startText: slotForm.startText

    property alias inputs: inputModel

    Theme { id: theme }

    // sgWait's last word: the program has work pending.
    property bool busy: false
    // A request was sent and its end (sgWait(false)) has not come back yet.
    property bool requestOpen: false
    property int convertedCount: 0
    property int skippedCount: 0
    property int failedCount: 0
    // Inputs that Stop left unconverted.
    property int stoppedCount: 0
    // Stop was asked for the running request.
    property bool stopping: false
    // Inputs of the running request, and how far those being converted are
    // together (each 0 to 1; 0 while unknown).
    property int runTotal: 0
    property real runningFraction: 0
    // How far each input being converted is, by path: several convert side
    // by side when the request runs parallel jobs.
    property var fractions: ({})
    // "" before any run, "converting", "done" or "stopped": the window title says it.
    property string runState: ""
    // The window asked to close once the stopped request has ended.
    property bool closeWhenStopped: false
    // What to do with outputs that exist: "overwrite", "skip" or "fail", as
    // last chosen; remembered with the form.
    property string existingChoice: "overwrite"
    property string summary: ""
    // The run's end in a few words, for the window and its title.
    readonly property string endNote: runState === "done" ? qsTr("Done: %1").arg(summary)
                                    : runState === "stopped" ? qsTr("Stopped: %1").arg(summary) : ""
    // Why the output folder cannot take the outputs, found before anything
    // was sent; "" once the form changes or a run starts.
    property string folderProblem: ""
    // The list shows only the inputs that failed.
    property bool failedOnly: false
    // Parallel conversions: 0 lets the program choose (one per processor).
    property int jobs: 0
    // What the Parallel jobs box offers; 0 is Automatic.
    readonly property var jobChoices: [0, 1, 2, 3, 4, 6, 8, 12, 16]
    // The folder that inputs were last added from: the file and folder
    // choosers open there.
    property string inputFolder: ""
    // Why the program refused the command as a whole.
    property string requestError: ""
    property string notice: ""
    property string lastCommand: ""

    // ListModel changes do not re-run bindings that read it; this does.
    property int revision: 0
    readonly property var inputPaths: {
        revision;
        var list = [];
        for (var i = 0; i < inputModel.count; ++i)
            list.push(inputModel.get(i).path);
        return list;
    }

    readonly property alias form: formCheck
    readonly property int bits: Words.bitDepths[Math.max(0, bitsBox.currentIndex)]
    readonly property string outputFolder: formCheck.outputFolder
    readonly property var plan: formCheck.plan
    readonly property bool canConvert: plan.ok && !busy && !requestOpen && !scanner.busy
                                       && !existingPrompt.visible && !folderPrompt.visible
    readonly property bool editingLocked: busy || requestOpen
    // The engine is still looking for the files of a drop.
    readonly property bool scanning: scanner.busy
    readonly property bool running: busy || requestOpen
    readonly property int doneCount: convertedCount + skippedCount + failedCount + stoppedCount
    // Of the whole request: finished inputs and the part of the running one.
    readonly property real runProgress: runTotal > 0 ? Math.min(1, (doneCount + runningFraction) / runTotal) : 0
    // When the running request was sent, and the clock that the estimate of
    // the time left reads (it ticks only while a request runs).
    property double runStartedAt: 0
    property double clock: 0
    readonly property string timeLeft: running && !stopping ? timeLeftText(clock - runStartedAt, runProgress) : ""

    // "about 40 s left" from the time a run has taken and how far it is;
    // "" while too little is done to tell.
    function timeLeftText(elapsedMs, progress) {
        if (!(progress >= 0.02) || progress >= 1 || elapsedMs < 2000)
            return "";
        var seconds = elapsedMs * (1 - progress) / progress / 1000;
        if (seconds < 60)
            return qsTr("about %1 s left").arg(Math.max(1, Math.round(seconds)));
        if (seconds < 3600)
            return qsTr("about %1 min left").arg(Math.round(seconds / 60));
        return qsTr("about %1 h %2 min left").arg(Math.floor(seconds / 3600))
                                               .arg(Math.round(seconds % 3600 / 60));
    }
    readonly property string titleState: runState === "converting"
        ? qsTr("converting %1 of %2").arg(Math.min(doneCount + 1, runTotal)).arg(runTotal) : endNote
    // Bumped when a row's result changes.
    property int outcomes: 0
    // Rows that failed in the runs since the list last changed.
    readonly property int failedRows: {
        revision;
        outcomes;
        var n = 0;
        for (var i = 0; i < inputModel.count; ++i)
            if (inputModel.get(i).status === "failed")
                ++n;
        return n;
    }
    readonly property alias planner: planWatcher

    // Shows and plays the selected input's slot; tests may put a stand-in here.
    property QtObject preview: slotPreview
    // The selected row's input; "" when none is selected.
    readonly property string selectedPath: {
        revision;
        var i = inputList.currentIndex;
        return i >= 0 && i < inputModel.count ? inputModel.get(i).path : "";
    }
    // What libsox says the selected input is, beside its preview.
    readonly property string selectedFacts: {
        if (selectedPath === "")
            return "";
        var row = planWatcher.rowFor(selectedPath);
        var facts = row ? Words.factsText(row.facts) : "";
        // The list shows which row is selected; its name is the fallback.
        return facts !== "" ? facts : Words.fileName(selectedPath);
    }
    // Why the preview could not be made or played; "" when nothing failed.
    property string previewMessage: ""
    readonly property string previewKey: selectedPath === "" || planWatcher.key === ""
                                         ? "" : selectedPath + "\n" + planWatcher.key

    // A command has just been sent.
    signal started()
    // The window may close now: the request that was running has stopped.
    signal closeApproved()

    // The form as the window remembers it between runs (main.qml stores it).
    function rememberedValues() {
        return {
            rate: rateBox.editText,
            channels: channelsBox.editText,
            bitsIndex: bitsBox.currentIndex,
            durationMode: durationRadio.checked,
            size: sizeField.text,
            sizeUnit: unitBox.currentIndex,
            duration: durationField.text,
            folder: folderField.text,
            suffix: suffixField.text,
            existing: existingChoice,
            pad: slotForm.padChecked,
            fadeOutMs: slotForm.fadeText,
            start: slotForm.startText,
            jobs: jobs,
            inputFolder: inputFolder
        };
    }

    // Puts remembered values back; value(key) gives undefined for a value
    // never stored. Stored text comes back as text, so numbers and switches
    // are read from it.
    function restore(value) {
        function text(key, field, property) {
            var v = value(key);
            if (v !== undefined && v !== null)
                field[property] = String(v);
        }
        function index(key, box) {
            var v = parseInt(value(key), 10);
            if (!isNaN(v) && v >= 0 && v < box.count)
                box.currentIndex = v;
        }
        // An editable box shows its chosen entry's text: choose first, then type.
        index("bitsIndex", bitsBox);
        index("sizeUnit", unitBox);
        text("rate", rateBox, "editText");
        text("channels", channelsBox, "editText");
        text("size", sizeField, "text");
        text("duration", durationField, "text");
        text("folder", folderField, "text");
        text("suffix", suffixField, "text");
        text("fadeOutMs", slotForm, "fadeText");
        text("start", slotForm, "startText");
        var pad = value("pad");
        if (pad !== undefined && pad !== null)
            slotForm.padChecked = String(pad) === "true";
        if (String(value("durationMode")) === "true")
            durationRadio.checked = true;
        var j = parseInt(value("jobs"), 10);
        if (jobChoices.indexOf(j) >= 0)
            jobs = j;
        var from = value("inputFolder");
        if (from !== undefined && from !== null && String(from) !== "")
            inputFolder = String(from);
        var existing = String(value("existing"));
        if (existing === "overwrite" || existing === "skip" || existing === "fail")
            existingChoice = existing;
    }

    // Puts a slot preset's values in the form (see PresetMenu); the folder,
    // the start and the choice about existing outputs stay as they are.
    function applyPreset(preset) {
        if (editingLocked)
            return false;
        restore(function (key) {
            var v;
            if (key === "bitsIndex")
                v = preset.bits !== undefined ? Words.bitDepths.indexOf(Number(preset.bits)) : undefined;
            else if (key === "sizeUnit")
                v = preset.sizeUnit !== undefined ? preset.sizeUnit
                                                  : (preset.size ? 0 : undefined);
            else if (key !== "folder" && key !== "existing" && key !== "start")
                v = preset[key];
            return v === "" ? undefined : v;
        });
        if (String(preset.durationMode) !== "true")
            sizeRadio.checked = true;
        return true;
    }

    // Sends the form as one command. First the output folder must be able to
    // take the outputs (a missing one is offered to be made), then, where
    // outputs exist already, the person says what to do with them. Returns
    // false, sending nothing, when the form is not ready, a conversion is
    // still running or the folder cannot be used.
    function convert() {
        if (!canConvert)
            return false;
        return startRun(plan.command, inputPaths);
    }

    // Converts again, with the form as it stands, only the inputs that failed.
    function retryFailed() {
        if (!canConvert)
            return false;
        var failed = [];
        for (var i = 0; i < inputModel.count; ++i) {
            if (inputModel.get(i).status === "failed")
                failed.push(inputModel.get(i).path);
        }
        if (failed.length === 0)
            return false;
        var command = _data.rules.composeCommand(formCheck.rate.value, formCheck.channels.value, bits,
                                                 formCheck.size.value, outputFolder, suffixField.text,
                                                 failed);
        return startRun(command, failed);
    }

    // The request being prepared: its command and its inputs.
    property string pendingCommand: ""
    property var pendingInputs: []

    function startRun(command, paths) {
        pendingCommand = command;
        pendingInputs = paths;
        var folder = _data.rules.checkOutputFolder(outputFolder);
        if (folder.missing) {
            folderPrompt.open();
            return true;
        }
        if (!folder.ok) {
            folderProblem = folder.reason;
            return false;
        }
        return askAboutExisting();
    }

    function askAboutExisting() {
        folderProblem = "";
        var existing = _data.rules.existingOutputs(pendingInputs, outputFolder, suffixField.text);
        if (existing.length > 0)
            existingPrompt.ask(pendingCommand, existing, outputFolder, existingChoice);
        else
            send(pendingCommand, "");
        return true;
    }

    // Makes the missing output folder, then goes on as if it had been there.
    function makeFolderAndConvert() {
        var why = _data.rules.makeFolder(outputFolder);
        if (why !== "") {
            folderProblem = why;
            return false;
        }
        return askAboutExisting();
    }

    // existing: "" where no output exists yet, which replaces what the run
    // may find all the same, as a bare request does. Only the rows of the
    // request's inputs start again; the others keep what became of them.
    function send(command, existing) {
        if (existing !== "")
            existingChoice = existing;
        failedOnly = false;
        var inRequest = {};
        for (var k = 0; k < pendingInputs.length; ++k)
            inRequest[pendingInputs[k]] = true;
        for (var i = 0; i < inputModel.count; ++i) {
            if (inRequest[inputModel.get(i).path] === true)
                inputModel.set(i, { status: "waiting", reason: "", output: "", progress: -1, clipped: 0, warning: "" });
        }
        outcomes++;
        convertedCount = 0;
        skippedCount = 0;
        failedCount = 0;
        stoppedCount = 0;
        stopping = false;
        runTotal = pendingInputs.length;
        fractions = {};
        runningFraction = 0;
        runState = "converting";
        runStartedAt = Date.now();
        clock = runStartedAt;
        summary = "";
        requestError = "";
        folderProblem = "";
        unopenedFolder = "";
        requestOpen = true;
        lastCommand = command;
        planWatcher.flush();
        started();
        var options = formCheck.options;
        _data.doConvertOptions(command, { existing: existing !== "" ? existing : "overwrite",
                                          pad: options.pad, fadeOutMs: options.fadeOutMs,
                                          start: options.start, jobs: jobs });
    }

    // Stops the running request: the input being converted and those after
    // it are left unwritten; finished outputs stay.
    function stop() {
        if (!running || stopping)
            return false;
        stopping = true;
        _data.doCancel();
        return true;
    }

    // False, asking first, while a request runs; closeApproved follows once
    // the person chose to stop and the request has ended.
    function mayClose() {
        if (!running)
            return true;
        closePrompt.open();
        return false;
    }

    // Adds the paths that the engine found, leaving out those already listed,
    // and says what was refused. Returns how many were added. The message
    // about what was refused, if any, replaces the last one.
    function addPaths(paths, refused) {
        var added = 0;
        for (var i = 0; i < paths.length; ++i) {
            var p = String(paths[i]);
            if (p === "" || hasPath(p))
                continue;
            inputModel.append({ path: p, name: Words.fileName(p), folder: Words.folderOf(p),
                                status: "", reason: "", output: "", progress: -1, clipped: 0, warning: "" });
            ++added;
        }
        if (inputList.currentIndex < 0 && inputModel.count > 0)
            inputList.currentIndex = 0;
        revision++;
        showRefusals(refused || []);
        return added;
    }

    function hasPath(p) {
        for (var i = 0; i < inputModel.count; ++i)
            if (inputModel.get(i).path === p)
                return true;
        return false;
    }

    // Files and folders, as a drop or a dialog names them.
    function addUrls(urls) {
        if (editingLocked)
            return;
        scanner.scan(urls);
    }

    function removeAt(index) {
        if (editingLocked || index < 0 || index >= inputModel.count)
            return;
        var gone = inputModel.get(index).path;
        inputModel.remove(index);
        preview.doForget(gone);
        revision++;
    }

    function clearInputs() {
        if (editingLocked)
            return;
        for (var i = 0; i < inputModel.count; ++i)
            preview.doForget(inputModel.get(i).path);
        inputModel.clear();
        summary = "";
        notice = "";
        revision++;
    }

    function showRefusals(refused) {
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
            lines.push(qsTr("…and %1 more not added for the same kind of reason.")
                       .arg(Words.groupDigits(notAdded - 4)));
        for (var j = 0; j < empty.length && j < 3; ++j)
            lines.push(qsTr("No audio files found directly inside %1.").arg(empty[j]));
        notice = lines.join("\n");
    }

    function setSizeBytes(bytes) {
        sizeRadio.checked = true;
        unitBox.currentIndex = 0;
        sizeField.text = String(bytes);
    }

    // The row of the running request that `fileName` names and that has no
    // result yet; -1 when none.
    function openRow(fileName) {
        for (var i = 0; i < inputModel.count; ++i) {
            var row = inputModel.get(i);
            if (row.path === fileName && (row.status === "waiting" || row.status === "converting"))
                return i;
        }
        return -1;
    }

    function markStarted(fileName) {
        var i = openRow(fileName);
        if (i < 0)
            return;
        inputModel.set(i, { status: "converting", progress: -1 });
        setFraction(fileName, 0);
        follow(i);
    }

    // Keeps the row being converted in sight, also when rows above it grow
    // as their plan arrives, unless the person is moving the list.
    function follow(index) {
        if (!inputList.moving)
            inputList.positionViewAtIndex(index, ListView.Contain);
    }

    function markProgress(fileName, done, total) {
        var i = openRow(fileName);
        if (i < 0)
            return;
        var fraction = total > 0 ? Math.min(1, done / total) : -1;
        inputModel.setProperty(i, "progress", fraction);
        setFraction(fileName, Math.max(0, fraction));
        follow(i);
    }

    // sgProgress: the share of an input's output made so far. The list does
    // not follow it: with inputs side by side it would jump between them.
    function markFraction(fileName, fraction) {
        var i = openRow(fileName);
        if (i < 0)
            return;
        inputModel.setProperty(i, "progress", Math.min(1, Math.max(0, fraction)));
        setFraction(fileName, Math.min(1, Math.max(0, fraction)));
    }

    // fraction null: the input has ended.
    function setFraction(fileName, fraction) {
        if (fraction === null)
            delete fractions[fileName];
        else
            fractions[fileName] = fraction;
        var sum = 0;
        for (var path in fractions)
            sum += fractions[path];
        runningFraction = sum;
    }

    function markClipped(fileName, samples) {
        var i = openRow(fileName);
        if (i >= 0)
            inputModel.setProperty(i, "clipped", samples);
    }

    function markWarning(fileName, text) {
        var i = openRow(fileName);
        if (i >= 0)
            inputModel.setProperty(i, "warning", text);
    }

    // status: "converted", "skipped" or "failed"; a failure after Stop is
    // the stop's doing.
    function markResult(fileName, status, reason) {
        for (var i = 0; i < inputModel.count; ++i) {
            var row = inputModel.get(i);
            if (row.path !== fileName || (row.status !== "waiting" && row.status !== "converting"))
                continue;
            setFraction(fileName, null);
            if (status === "failed" && stopping) {
                inputModel.set(i, { status: "stopped", reason: "" });
                stoppedCount++;
                break;
            }
            if (status === "converted") {
                inputModel.set(i, { status: status, reason: "",
                                    output: _data.rules.outputPath(row.path, outputFolderOf(lastCommand),
                                                                   suffixOf(lastCommand)) });
                convertedCount++;
            } else if (status === "skipped") {
                inputModel.set(i, { status: status, reason: String(reason).trim() });
                skippedCount++;
            } else {
                inputModel.set(i, { status: status, reason: friendlyReason(reason) });
                failedCount++;
            }
            break;
        }
    }

    // Plays the selected input as its output would sound, or stops what plays.
    function togglePreviewPlay() {
        if (preview.playState !== "idle") {
            preview.doStop();
            return;
        }
        if (selectedPath === "" || planWatcher.command === "")
            return;
        previewMessage = "";
        preview.doPlay(planWatcher.command, planWatcher.options, selectedPath);
    }

    // Selects the first input that failed and brings it into sight.
    function showFirstFailure() {
        for (var i = 0; i < inputModel.count; ++i) {
            if (inputModel.get(i).status !== "failed")
                continue;
            inputList.currentIndex = i;
            inputList.positionViewAtIndex(i, ListView.Beginning);
            inputList.forceActiveFocus();
            return i;
        }
        return -1;
    }

    // Whether the row shows under the filter as it stands.
    function rowShown(index) {
        return !failedOnly || inputModel.get(index).status === "failed";
    }

    // Moves the selection to the next row the filter shows, up (-1) or down.
    function stepSelection(direction) {
        for (var i = inputList.currentIndex + direction; i >= 0 && i < inputModel.count; i += direction) {
            if (rowShown(i)) {
                inputList.currentIndex = i;
                inputList.positionViewAtIndex(i, ListView.Contain);
                return;
            }
        }
    }

    // The folder the last request wrote into, as a URL for the file manager.
    readonly property string lastFolderUrl: {
        var folder = outputFolderOf(lastCommand);
        return folder === "" ? "" : Words.pathToUrl(folder);
    }

    // The folder that no file manager would show, for the window to name it instead.
    property string unopenedFolder: ""

    function openOutputFolder() {
        var folder = outputFolderOf(lastCommand);
        if (folder !== "")
            unopenedFolder = _data.openFolder(folder) ? "" : folder;
    }

    function outputFolderOf(command) { return command.split(",")[5] || ""; }
    function suffixOf(command) { return command.split(",")[6] || ""; }

    function friendlyReason(reason) {
        var r = String(reason).trim();
        if (r === "")
            return qsTr("the file could not be converted.");
        return r;
    }

    function finishRequest() {
        for (var i = 0; i < inputModel.count; ++i) {
            var s = inputModel.get(i).status;
            if (s === "waiting" || s === "converting") {
                if (stopping) {
                    inputModel.set(i, { status: "stopped", reason: "" });
                    stoppedCount++;
                    continue;
                }
                inputModel.set(i, { status: "failed",
                                    reason: requestError !== "" ? requestError
                                                            : qsTr("no result came back for this file.") });
                failedCount++;
            }
        }
        requestOpen = false;
        fractions = {};
        runningFraction = 0;
        runState = stopping ? "stopped" : "done";
        // Of the whole list: a retry's end says where all the inputs stand.
        var count = { converted: 0, skipped: 0, failed: 0, stopped: 0 };
        for (var j = 0; j < inputModel.count; ++j) {
            var status = inputModel.get(j).status;
            if (count[status] !== undefined)
                count[status]++;
        }
        summary = Words.summaryText(count.converted, count.skipped, count.failed, count.stopped);
        outcomes++;
        // What the run wrote may change what the next one plans.
        planWatcher.refresh();
        if (closeWhenStopped)
            closeApproved();
        // A question about stopping the run has no more point once it ended.
        else if (closePrompt.visible)
            closePrompt.close();
    }

    Connections {
        target: _data
        function onSgWait(wait) {
            view.busy = wait;
            if (!wait && view.requestOpen)
                view.finishRequest();
        }
        function onSgResampReady(fileName) {
            if (view.requestOpen)
                view.markResult(fileName, "converted", "");
        }
        function onSgResampSkipped(fileName, reason) {
            if (view.requestOpen)
                view.markResult(fileName, "skipped", reason);
        }
        function onSgResampFailed(fileName, reason) {
            if (!view.requestOpen)
                return;
            if (fileName === "")
                view.requestError = reason;
            else
                view.markResult(fileName, "failed", reason);
        }
        function onSgResampStarted(fileName) {
            if (view.requestOpen)
                view.markStarted(fileName);
        }
        function onSgResampProgress(fileName, done, total) {
            if (view.requestOpen)
                view.markProgress(fileName, done, total);
        }
        function onSgResampClipped(fileName, samples) {
            if (view.requestOpen)
                view.markClipped(fileName, samples);
        }
    }
    // A bridge without sgProgress tells progress by sgResampProgress alone;
    // one without sgResampWarning has none to give.
    Connections {
        target: _data
        ignoreUnknownSignals: true
        function onSgProgress(fileName, fraction) {
            if (view.requestOpen)
                view.markFraction(fileName, fraction);
        }
        function onSgResampWarning(fileName, text) {
            if (view.requestOpen)
                view.markWarning(fileName, text);
        }
    }

    Timer {
        interval: 1000
        repeat: true
        running: view.running
        onTriggered: view.clock = Date.now()
    }

    ListModel { id: inputModel }

    // A changed list is no longer the one that was done.
    onInputPathsChanged: {
        if (!running) {
            runState = "";
            failedOnly = false;
        }
    }
    onOutputFolderChanged: folderProblem = ""
    // With nothing failed left there is nothing to filter for.
    onFailedRowsChanged: if (failedRows === 0) failedOnly = false

    FormCheck {
        id: formCheck
        rateText: rateBox.editText
        channelsText: channelsBox.editText
        bits: view.bits
        durationMode: durationRadio.checked
        sizeText: sizeField.text
        sizeUnit: unitBox.currentIndex
        durationText: durationField.text
        folderText: folderField.text
        suffix: suffixField.text
        inputs: view.inputPaths
        padChecked: slotForm.padChecked
        fadeText: slotForm.fadeText
        startText: slotForm.startText
    }

    PlanWatcher {
        id: planWatcher
        command: formCheck.plan.ok ? formCheck.plan.command : ""
        options: formCheck.options
        paused: view.running
    }

    SlotPreview {
        id: slotPreview
    }

    Connections {
        target: view.preview
        function onSgPlayFailed(input, reason) { view.previewMessage = reason }
        function onSgOverviewFailed(input, reason) {
            if (input === view.selectedPath)
                view.previewMessage = reason;
        }
    }

    // The preview follows the selection and the form once the form stands
    // still as long as the plan watcher waits.
    onPreviewKeyChanged: {
        if (previewKey === "")
            previewTimer.stop();
        else
            previewTimer.restart();
    }
    Timer {
        id: previewTimer
        interval: planWatcher.delay
        onTriggered: {
            if (view.previewKey === "")
                return;
            view.previewMessage = "";
            view.preview.doShow(planWatcher.command, planWatcher.options, view.selectedPath);
        }
    }

    ClosePrompt {
        id: closePrompt
        onStopAndClose: {
            view.closeWhenStopped = true;
            if (!view.stop() && !view.running)
                view.closeApproved();
        }
    }

    FolderScanner {
        id: scanner
        onFound: view.addPaths(paths, refused)
    }

    ExistingPrompt {
        id: existingPrompt
        onChosen: view.send(command, existing)
    }

    Platform.FileDialog {
        id: fileDialog
        title: qsTr("Add audio files")
        fileMode: Platform.FileDialog.OpenFiles
        nameFilters: [qsTr("Audio files (%1)").arg(_data.rules.audioExtensions.map(function (e) { return "*." + e; })
                                                   .join(" ")),
                      qsTr("All files (*)")]
        folder: view.inputsStartUrl
        onAccepted: {
            view.inputFolder = Words.folderOf(Words.urlToPath(files[0]));
            view.addUrls(files);
        }
    }

    // Qt.labs.platform's FolderDialog gives, on acceptance, the folder it
    // shows rather than the one selected in it: a folder picked with one click
    // would become its parent. This dialog's fileUrl is the one selected.
    Dialogs.FileDialog {
        id: addFolderDialog
        title: qsTr("Add the audio files of a folder")
        selectFolder: true
        folder: view.inputsStartUrl
        onAccepted: {
            view.inputFolder = Words.withTrailingSlash(Words.urlToPath(fileUrl));
            view.addUrls([fileUrl]);
        }
    }

    // The choosers of inputs open where inputs last came from: sources tend to
    // lie together, and away from where the outputs go. Failing that, beside
    // the last input listed, in the output folder, or in the music folder.
    readonly property var inputsStartUrl: {
        revision;
        var folder = inputFolder !== "" ? inputFolder
                   : inputModel.count > 0 ? inputModel.get(inputModel.count - 1).folder
                   : outputFolder;
        return folder !== "" ? Words.pathToUrl(folder)
                             : Platform.StandardPaths.writableLocation(Platform.StandardPaths.MusicLocation);
    }

    FolderPrompt {
        id: folderPrompt
        folder: view.outputFolder
        onMakeChosen: view.makeFolderAndConvert()
    }

    Dialogs.FileDialog {
        id: folderDialog
        title: qsTr("Choose the output folder")
        selectFolder: true
        folder: view.outputFolder !== "" ? Words.pathToUrl(view.outputFolder) : ""
        onAccepted: folderField.text = Words.withTrailingSlash(Words.urlToPath(fileUrl))
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: !rateBox.popup.visible && !channelsBox.popup.visible && !bitsBox.popup.visible
                 && !unitBox.popup.visible && !jobsBox.popup.visible && !existingPrompt.visible
                 && !closePrompt.visible && !folderPrompt.visible
        onActivated: view.convert()
    }
    Shortcut {
        sequence: "Escape"
        enabled: view.running && !view.stopping && !existingPrompt.visible && !closePrompt.visible
                 && !folderPrompt.visible
        onActivated: view.stop()
    }
    Shortcut {
        sequence: StandardKey.Open
        enabled: !view.editingLocked
        onActivated: fileDialog.open()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 14

            // ---- Inputs --------------------------------------------------
            ColumnLayout {
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumWidth: 240
                spacing: 6

                RowLayout {
                    Layout.fillWidth: true
                    Label {
                        objectName: "listHeading"
                        Layout.fillWidth: true
                        // What the buttons leave: their words come first.
                        Layout.preferredWidth: 0
                        Layout.minimumWidth: 0
                        text: inputModel.count === 0 ? qsTr("Files to convert")
                              : qsTr("Files to convert (%1)").arg(Words.groupDigits(inputModel.count))
                        font.bold: true
                        font.pixelSize: view.headingSize
                        elide: Text.ElideRight
                    }
                    Button {
                        objectName: "addFilesButton"
                        // Narrower than their words at the smallest window size.
                        Layout.fillWidth: true
                        // Whole pixels: a width rounded down would cut the last letter.
                        Layout.maximumWidth: Math.ceil(implicitWidth)
                        Layout.minimumWidth: 60
                        text: qsTr("Add files…")
                        enabled: !view.editingLocked
                        Accessible.name: qsTr("Add audio files")
                        onClicked: fileDialog.open()
                    }
                    Button {
                        objectName: "addFolderButton"
                        Layout.fillWidth: true
                        Layout.maximumWidth: Math.ceil(implicitWidth)
                        Layout.minimumWidth: 60
                        text: qsTr("Add folder…")
                        enabled: !view.editingLocked
                        Accessible.name: qsTr("Add the audio files of a folder")
                        onClicked: addFolderDialog.open()
                    }
                }

                // After a run with failures: find them, and try them again. On
                // a narrow window the buttons go under the switch.
                Flow {
                    objectName: "failuresBar"
                    Layout.fillWidth: true
                    visible: view.failedRows > 0 && !view.running
                    spacing: 6
                    CheckBox {
                        objectName: "failedOnlyBox"
                        text: qsTr("Show failed only")
                        checked: view.failedOnly
                        height: 30
                        topPadding: 0
                        bottomPadding: 0
                        Accessible.name: qsTr("Show only the files that failed")
                        onToggled: {
                            view.failedOnly = checked;
                            if (checked)
                                view.showFirstFailure();
                        }
                    }
                    Button {
                        objectName: "firstFailureButton"
                        text: qsTr("First failure")
                        flat: true
                        height: 30
                        Accessible.name: qsTr("Select the first file that failed")
                        onClicked: view.showFirstFailure()
                    }
                    Button {
                        objectName: "retryFailedButton"
                        text: view.failedRows === 1 ? qsTr("Retry the failed file")
                                                    : qsTr("Retry %1 failed").arg(view.failedRows)
                        enabled: view.canConvert
                        height: 30
                        Accessible.name: qsTr("Convert the files that failed again")
                        Accessible.description: qsTr("Uses the form as it stands now")
                        onClicked: view.retryFailed()
                    }
                }

                Rectangle {
                    objectName: "noticeBox"
                    Layout.fillWidth: true
                    visible: view.notice !== ""
                    implicitHeight: noticeRow.implicitHeight + 12
                    color: theme.notice
                    border.color: theme.noticeBorder
                    radius: 3
                    RowLayout {
                        id: noticeRow
                        anchors.fill: parent
                        anchors.margins: 6
                        Label {
                            objectName: "noticeLabel"
                            Layout.fillWidth: true
                            text: view.notice
                            color: palette.text
                            wrapMode: Text.Wrap
                            Accessible.role: Accessible.AlertMessage
                        }
                        ToolButton {
                            text: "\u2715"
                            Accessible.name: qsTr("Dismiss the message")
                            onClicked: view.notice = ""
                        }
                    }
                }

                Frame {
                    Layout.fillWidth: true
                    Layout.fillHeight: true
                    padding: 1
                    background: Rectangle {
                        color: theme.palette.base
                        border.color: theme.palette.mid
                    }

                    ListView {
                        id: inputList
                        objectName: "inputList"
                        anchors.fill: parent
                        clip: true
                        model: inputModel
                        activeFocusOnTab: true
                        keyNavigationEnabled: true
                        currentIndex: -1
                        Accessible.role: Accessible.List
                        Accessible.name: qsTr("Files to convert")
                        ScrollBar.vertical: ScrollBar {}
                        highlightMoveDuration: 0
                        highlight: Rectangle {
                            color: inputList.activeFocus ? theme.selection : theme.selectionUnfocused
                        }
                        Keys.onDeletePressed: view.removeAt(currentIndex)
                        // Under the filter, the arrows pass over the hidden rows.
                        Keys.onUpPressed: view.stepSelection(-1)
                        Keys.onDownPressed: view.stepSelection(1)

                        delegate: InputRow {
                            width: inputList.width
                            path: model.path
                            name: model.name
                            folder: model.folder
                            status: model.status
                            reason: model.reason
                            output: Words.fileName(model.output)
                            plan: planWatcher.rowFor(model.path)
                            planCurrent: planWatcher.current
                            progress: model.progress
                            clipped: model.clipped
                            warning: model.warning
                            shown: !view.failedOnly || model.status === "failed"
                            removable: !view.editingLocked
                            highlighted: ListView.isCurrentItem
                            onClicked: inputList.currentIndex = index
                            onRemoveRequested: view.removeAt(index)
                            // The list gives its current row the focus; Space
                            // plays it rather than clicking it.
                            Keys.priority: Keys.BeforeItem
                            Keys.onSpacePressed: view.togglePreviewPlay()
                        }

                        Column {
                            anchors.centerIn: parent
                            width: parent.width - 32
                            visible: inputModel.count === 0
                            spacing: 6
                            Label {
                                width: parent.width
                                horizontalAlignment: Text.AlignHCenter
                                wrapMode: Text.Wrap
                                text: scanner.busy ? qsTr("Looking for audio files…")
                                                   : qsTr("Drop audio files or folders here")
                                font.pixelSize: view.headingSize
                                color: theme.listHint
                            }
                            Label {
                                width: parent.width
                                horizontalAlignment: Text.AlignHCenter
                                wrapMode: Text.Wrap
                                visible: !scanner.busy
                                text: qsTr("or click Add files. A folder adds the audio files directly inside it.")
                                color: theme.listHint
                            }
                        }
                    }
                }

                // The selected input's slot: its sound, where it starts, is
                // cut, fades and is padded.
                ColumnLayout {
                    objectName: "previewPanel"
                    Layout.fillWidth: true
                    visible: inputModel.count > 0
                    spacing: 2
                    WaveformItem {
                        id: waveform
                        objectName: "waveform"
                        Layout.fillWidth: true
                        Layout.preferredHeight: 64
                        overview: view.preview.overview
                        totalFrames: view.preview.slot.totalFrames || 0
                        startFrame: view.preview.slot.startFrame || 0
                        cutFrame: view.preview.slot.cutFrame || 0
                        fadeFrames: view.preview.slot.fadeFrames || 0
                        padFrames: view.preview.slot.padFrames || 0
                        rate: view.preview.slot.rate || 0
                        waveColor: theme.wave
                        slotColor: theme.slotShade
                        markerColor: theme.marker
                        Accessible.name: qsTr("Waveform of the selected file's output")
                        // The engine writes a point; the field is read and typed the locale's way.
                        onStartFrameDragged: slotForm.startText = Words.localNumber(view.preview.startText(frame, rate))
                        ProgressBar {
                            anchors.left: parent.left
                            anchors.right: parent.right
                            anchors.bottom: parent.bottom
                            visible: view.preview.overviewProgress >= 0
                            value: Math.max(0, view.preview.overviewProgress)
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        Button {
                            objectName: "playButton"
                            text: view.preview.playState === "idle" ? qsTr("Play") : qsTr("Stop")
                            enabled: view.preview.playState !== "idle"
                                     || (view.selectedPath !== "" && planWatcher.command !== "")
                            Accessible.name: view.preview.playState === "idle"
                                             ? qsTr("Play the selected file as it will be saved")
                                             : qsTr("Stop playing")
                            Accessible.description: qsTr("Space in the list does the same")
                            onClicked: view.togglePreviewPlay()
                        }
                        Label {
                            objectName: "previewNote"
                            Layout.fillWidth: true
                            Layout.preferredWidth: 0
                            Layout.minimumWidth: 0
                            elide: Text.ElideRight
                            color: theme.hint
                            text: view.previewMessage !== "" ? view.previewMessage
                                  : view.preview.slot.ok === false ? String(view.preview.slot.reason || "")
                                  : view.selectedPath !== "" ? view.selectedFacts : ""
                        }
                        Button {
                            objectName: "removeButton"
                            Layout.fillWidth: true
                            Layout.maximumWidth: Math.ceil(implicitWidth)
                            Layout.minimumWidth: 50
                            text: qsTr("Remove")
                            enabled: !view.editingLocked && inputList.currentIndex >= 0
                            Accessible.name: qsTr("Remove the selected file from the list")
                            onClicked: view.removeAt(inputList.currentIndex)
                        }
                        Button {
                            objectName: "clearButton"
                            Layout.fillWidth: true
                            Layout.maximumWidth: Math.ceil(implicitWidth)
                            Layout.minimumWidth: 50
                            text: qsTr("Clear list")
                            enabled: !view.editingLocked && inputModel.count > 0
                            Accessible.name: qsTr("Remove all files from the list")
                            onClicked: view.clearInputs()
                        }
                    }
                }
            }

            // ---- Settings ------------------------------------------------
            ScrollView {
                id: settingsScroll
                objectName: "settingsScroll"
                Layout.fillHeight: true
                Layout.preferredWidth: Math.min(460, Math.max(330, view.width * 0.4))
                clip: true
                contentWidth: availableWidth
                // On a small screen, show that there is more below.
                ScrollBar.vertical.policy: contentHeight > availableHeight ? ScrollBar.AlwaysOn
                                                                           : ScrollBar.AlwaysOff

                ColumnLayout {
                    id: settingsColumn
                    // Room for the scroll bar, which shows only when needed.
                    width: settingsScroll.availableWidth - 14
                    spacing: 4

                    // Format
                    RowLayout {
                        Layout.fillWidth: true
                        Label {
                            Layout.fillWidth: true
                            text: qsTr("Output format")
                            font.bold: true
                            font.pixelSize: view.headingSize
                        }
                        PresetMenu {
                            id: presetMenu
                            enabled: !view.editingLocked
                            currentValues: function () {
                                var values = view.rememberedValues();
                                values.bits = view.bits;
                                return values;
                            }
                            onChosen: view.applyPreset(preset)
                        }
                    }
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 3
                        columnSpacing: 8
                        rowSpacing: 4

                        Label { text: qsTr("Sample rate") }
                        ComboBox {
                            id: rateBox
                            objectName: "rateBox"
                            Layout.fillWidth: true
                            editable: true
                            model: Words.ratePresets
                            currentIndex: Words.ratePresets.indexOf(44100)
                            inputMethodHints: Qt.ImhDigitsOnly
                            Accessible.name: qsTr("Sample rate in hertz")
                            ToolTip.visible: hovered && !popup.visible
                            ToolTip.delay: 800
                            ToolTip.text: qsTr("Pick a usual rate or type your own")
                        }
                        Label { text: qsTr("Hz") }
                        FieldNote {
                            objectName: "rateNote"
                            Layout.columnSpan: 3
                            text: formCheck.rate.reason
                        }

                        Label { text: qsTr("Channels") }
                        ComboBox {
                            id: channelsBox
                            objectName: "channelsBox"
                            Layout.fillWidth: true
                            editable: true
                            model: ["1", "2"]
                            currentIndex: 1
                            inputMethodHints: Qt.ImhDigitsOnly
                            Accessible.name: qsTr("Number of channels")
                        }
                        Label {
                            text: formCheck.channels.ok ? Words.channelsName(formCheck.channels.value) : ""
                            Layout.minimumWidth: 50
                        }
                        FieldNote {
                            objectName: "channelsNote"
                            Layout.columnSpan: 3
                            text: formCheck.channels.reason
                        }

                        Label { text: qsTr("Bits") }
                        ComboBox {
                            id: bitsBox
                            objectName: "bitsBox"
                            Layout.fillWidth: true
                            Layout.columnSpan: 2
                            model: Words.bitDepths.map(function (b) {
                                return b === 8 ? qsTr("8 bits (unsigned)") : qsTr("%1 bits").arg(b);
                            })
                            currentIndex: 1
                            Accessible.name: qsTr("Bits per sample")
                        }
                    }

                    // Size
                    Label {
                        Layout.topMargin: 10
                        text: qsTr("File size")
                        font.bold: true
                        font.pixelSize: view.headingSize
                    }
                    RowLayout {
                        RadioButton {
                            id: sizeRadio
                            objectName: "sizeRadio"
                            text: qsTr("Exact size")
                            checked: true
                            Accessible.name: qsTr("Give the exact file size")
                        }
                        RadioButton {
                            id: durationRadio
                            objectName: "durationRadio"
                            text: qsTr("Duration")
                            Accessible.name: qsTr("Give the duration in seconds")
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        visible: !durationRadio.checked
                        TextField {
                            id: sizeField
                            objectName: "sizeField"
                            Layout.fillWidth: true
                            text: "0"
                            selectByMouse: true
                            inputMethodHints: Qt.ImhFormattedNumbersOnly
                            Accessible.name: qsTr("File size")
                            Accessible.description: qsTr("0 keeps the whole sound")
                        }
                        ComboBox {
                            id: unitBox
                            objectName: "unitBox"
                            model: Words.sizeUnits.map(function (u) { return u.name; })
                            implicitWidth: 100
                            Accessible.name: qsTr("Unit of the file size")
                        }
                    }
                    RowLayout {
                        Layout.fillWidth: true
                        visible: durationRadio.checked
                        TextField {
                            id: durationField
                            objectName: "durationField"
                            Layout.fillWidth: true
                            text: "1"
                            selectByMouse: true
                            inputMethodHints: Qt.ImhFormattedNumbersOnly
                            Accessible.name: qsTr("Duration in seconds")
                            Accessible.description: qsTr("Seconds, such as %1, or minutes and seconds, such as %2")
                                                    .arg(Words.localNumber("2.5")).arg("1:30")
                        }
                        Label { text: qsTr("seconds") }
                    }
                    FieldNote {
                        objectName: "sizeNote"
                        text: formCheck.size.reason
                    }
                    Label {
                        objectName: "sizeInfo"
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        color: theme.hint
                        visible: text !== ""
                        text: formCheck.sizeInfo
                    }
                    // A cut in the middle of a frame leaves a torn last sample.
                    ColumnLayout {
                        Layout.fillWidth: true
                        visible: formCheck.partialFrame
                        Label {
                            objectName: "frameWarning"
                            Layout.fillWidth: true
                            wrapMode: Text.Wrap
                            color: theme.warn
                            text: formCheck.partialFrame
                                  ? qsTr("This size is not a whole number of %1-byte frames: the last frame will "
                                         + "be cut in the middle. Nearest whole-frame sizes:")
                                    .arg(formCheck.frameBytes)
                                  : ""
                        }
                        RowLayout {
                            Button {
                                objectName: "lowerSizeButton"
                                visible: formCheck.partialFrame && formCheck.layout.lower !== null
                                text: formCheck.layout.lower !== null ? Words.bytesText(formCheck.layout.lower) : ""
                                Accessible.name: qsTr("Use %1").arg(text)
                                onClicked: view.setSizeBytes(formCheck.layout.lower)
                            }
                            Button {
                                objectName: "upperSizeButton"
                                visible: formCheck.partialFrame && formCheck.layout.upper !== null
                                text: formCheck.layout.upper !== null ? Words.bytesText(formCheck.layout.upper) : ""
                                Accessible.name: qsTr("Use %1").arg(text)
                                onClicked: view.setSizeBytes(formCheck.layout.upper)
                            }
                        }
                    }

                    SlotOptionsForm {
                        id: slotForm
                        Layout.fillWidth: true
                        Layout.topMargin: 4
                        sized: formCheck.sized
                        fadeReason: formCheck.fade.reason
                        startReason: formCheck.start.reason
                    }

                    // Output
                    Label {
                        Layout.topMargin: 10
                        text: qsTr("Where to save")
                        font.bold: true
                        font.pixelSize: view.headingSize
                    }
                    GridLayout {
                        Layout.fillWidth: true
                        columns: 3
                        columnSpacing: 8
                        rowSpacing: 4
                        Label { text: qsTr("Folder") }
                        TextField {
                            id: folderField
                            objectName: "folderField"
                            Layout.fillWidth: true
                            selectByMouse: true
                            placeholderText: qsTr("Same as the first file")
                            placeholderTextColor: theme.listHint
                            Accessible.name: qsTr("Output folder")
                            Accessible.description: qsTr("Empty: the folder of the first file")
                        }
                        Button {
                            objectName: "chooseFolderButton"
                            text: qsTr("Choose…")
                            Accessible.name: qsTr("Choose the output folder")
                            onClicked: folderDialog.open()
                        }
                        FieldNote {
                            Layout.columnSpan: 3
                            text: formCheck.folderReason
                        }
                        Label { text: qsTr("Suffix") }
                        TextField {
                            id: suffixField
                            objectName: "suffixField"
                            Layout.fillWidth: true
                            Layout.columnSpan: 2
                            text: "_out"
                            selectByMouse: true
                            Accessible.name: qsTr("Name suffix")
                            Accessible.description: qsTr("Added to each file name before .wav")
                        }
                        FieldNote {
                            Layout.columnSpan: 3
                            text: formCheck.suffixReason
                        }
                        Label { text: qsTr("Parallel jobs") }
                        ComboBox {
                            id: jobsBox
                            objectName: "jobsBox"
                            Layout.fillWidth: true
                            Layout.columnSpan: 2
                            model: view.jobChoices.map(function (n) {
                                return n === 0 ? qsTr("Automatic") : String(n);
                            })
                            currentIndex: Math.max(0, view.jobChoices.indexOf(view.jobs))
                            onActivated: view.jobs = view.jobChoices[index]
                            Accessible.name: qsTr("Files converted at the same time")
                            ToolTip.visible: hovered && !popup.visible
                            ToolTip.delay: 800
                            ToolTip.text: qsTr("Automatic starts as many as the work pays for, up to one per processor. More jobs finish a long list sooner; the files come out the same.")
                        }
                    }
                    Label {
                        objectName: "previewLabel"
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        color: theme.hint
                        text: view.inputPaths.length === 0
                              ? qsTr("Each file is saved as a .wav file with the suffix added to its name.")
                              : qsTr("The first file will be saved as %1").arg(formCheck.outputOf(view.inputPaths[0]))
                    }
                }
            }
        }

        // ---- Run ------------------------------------------------------------
        RowLayout {
            Layout.fillWidth: true
            spacing: 10
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Label {
                    objectName: "summaryLabel"
                    Layout.fillWidth: true
                    visible: text !== ""
                    font.bold: true
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    text: view.stopping && view.running ? qsTr("Stopping…")
                          : view.running ? (view.timeLeft !== ""
                                            ? qsTr("Converting… %1 of %2 done, %3").arg(view.doneCount).arg(view.runTotal).arg(view.timeLeft)
                                            : qsTr("Converting… %1 of %2 done").arg(view.doneCount).arg(view.runTotal))
                          : view.folderProblem !== "" ? qsTr("Nothing was converted: %1").arg(view.folderProblem)
                          : view.requestError !== "" ? qsTr("Nothing was converted: %1").arg(view.requestError)
                          : view.endNote
                    color: view.requestError !== "" || view.folderProblem !== "" ? theme.fail
                                                                                 : palette.windowText
                    Accessible.role: Accessible.StaticText
                }
                Label {
                    objectName: "reasonLabel"
                    Layout.fillWidth: true
                    visible: text !== ""
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    color: theme.warn
                    text: !view.plan.ok && !view.editingLocked ? view.plan.reason : ""
                }
                Label {
                    objectName: "unopenedFolderNote"
                    Layout.fillWidth: true
                    visible: text !== ""
                    wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                    text: view.unopenedFolder !== "" && !view.running
                          ? qsTr("No file manager opened the folder. The files are in %1").arg(view.unopenedFolder)
                          : ""
                    Accessible.role: Accessible.AlertMessage
                }
                ProgressBar {
                    objectName: "runProgress"
                    Layout.fillWidth: true
                    visible: view.running
                    value: view.runProgress
                    Accessible.name: qsTr("Progress of the whole conversion")
                }
            }
            Button {
                objectName: "openFolderButton"
                text: qsTr("Open output folder")
                visible: !view.running && view.endNote !== "" && view.lastFolderUrl !== ""
                flat: true
                Accessible.name: qsTr("Open the output folder in the file manager")
                onClicked: view.openOutputFolder()
            }
            BusyIndicator {
                objectName: "busyIndicator"
                running: view.running
                visible: running
                implicitWidth: 36
                implicitHeight: 36
                Accessible.name: qsTr("Converting")
            }
            Button {
                objectName: "stopButton"
                text: qsTr("Stop")
                visible: view.running
                enabled: !view.stopping
                Accessible.name: qsTr("Stop converting")
                Accessible.description: qsTr("The file being converted and those after it are not written")
                onClicked: view.stop()
            }
            Button {
                objectName: "convertButton"
                text: view.inputPaths.length > 1 ? qsTr("Convert %1 files").arg(Words.groupDigits(view.inputPaths.length))
                                                 : qsTr("Convert")
                enabled: view.canConvert
                highlighted: enabled
                Accessible.name: qsTr("Convert")
                Accessible.description: view.plan.ok ? "" : view.plan.reason
                onClicked: view.convert()
            }
        }
    }

    readonly property int headingSize: Qt.application.font.pixelSize + 2

    // Keyboard users must see the field they tab into, also at 640×480.
    function revealFocus() {
        var item = Window.activeFocusItem;
        var flick = settingsScroll.contentItem;
        for (var p = item; p; p = p.parent) {
            if (p !== settingsColumn)
                continue;
            var top = item.mapToItem(settingsColumn, 0, 0).y - 8;
            var bottom = top + item.height + 16;
            if (top < flick.contentY)
                flick.contentY = Math.max(0, top);
            else if (bottom > flick.contentY + flick.height)
                flick.contentY = Math.min(bottom - flick.height, flick.contentHeight - flick.height);
            return;
        }
    }

    Connections {
        target: view.Window.window
        function onActiveFocusItemChanged() { view.revealFocus() }
    }

    // Shown while something is dragged over the window.
    DropArea {
        id: dropArea
        anchors.fill: parent
        onEntered: drag.accepted = drag.hasUrls && !view.editingLocked
        onDropped: {
            if (!drop.hasUrls || view.editingLocked)
                return;
            drop.acceptProposedAction();
            view.addUrls(drop.urls);
        }
        Rectangle {
            anchors.fill: parent
            visible: dropArea.containsDrag
            color: theme.dropZone
            border.color: theme.palette.highlight
            border.width: 3
        }
        Label {
            anchors.centerIn: parent
            visible: dropArea.containsDrag
            text: qsTr("Drop to add the files")
            font.pixelSize: view.headingSize + 6
            font.bold: true
        }
    }
}
