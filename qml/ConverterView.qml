// The whole window's content: the files on the left with the selected one's
// slot under them, the form on the right, the run at the foot. The batch and
// the form are C++ objects that ask the engine; this file lays out their
// views and carries a request through its questions (a missing folder,
// outputs that exist, a very large total) to the batch, which sends it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Sabletide.Preview 1.0
import Sabletide.Window 1.0
import "Words.js" as Words

Item {
    id: view
    objectName: "converterView"

    // The form's fields, for main.qml and for tests.
    property alias rateText: form.rateText
    property alias channelsText: form.channelsText
    property alias bitsIndex: settings.bitsIndex
    property alias durationMode: form.durationMode
    property alias sizeText: form.sizeText
    property alias sizeUnit: form.sizeUnit
    property alias durationText: form.durationText
    property alias folderText: form.folderText
    property alias suffixText: form.suffix
    property alias padChecked: form.padChecked
    property alias fadeText: form.fadeText
    property alias startText: form.startText
    readonly property alias form: form
    readonly property alias batch: batch
    readonly property alias planner: planWatcher
    // Shows and plays the selected input's slot; tests may put a stand-in here.
    property QtObject preview: slotPreview

    property alias existingChoice: flow.existingChoice
    readonly property alias folderProblem: flow.folderProblem
    property bool failedOnly: false
    property alias jobs: flow.jobs
    // The folder that inputs were last added from: the choosers open there.
    property string inputFolder: ""
    property string notice: ""
    property string unopenedFolder: ""
    property bool closeWhenStopped: false

    readonly property bool running: batch.running
    readonly property bool busy: batch.running
    readonly property bool editingLocked: batch.running
    readonly property bool scanning: scanner.busy
    readonly property int bits: form.bits
    readonly property var plan: form.plan
    readonly property bool noneWillConvert: batch.planCurrent && batch.count > 0 && batch.willConvert === 0
    readonly property string formReason: !plan.ok ? plan.reason
        : noneWillConvert ? qsTr("None of the files will convert: each one says why.") : ""
    readonly property bool canConvert: plan.ok && !noneWillConvert && !running && !scanner.busy
        && !flow.asking
    readonly property var outcomes: batch.listOutcomes
    readonly property string summary: batch.runState === "" ? ""
        : Words.summaryText(outcomes.converted, outcomes.skipped, outcomes.failed, outcomes.stopped)
    readonly property string endNote: batch.runState === "done" ? qsTr("Done: %1").arg(summary)
                                    : batch.runState === "stopped" ? qsTr("Stopped: %1").arg(summary) : ""
    readonly property string titleState: batch.runState === "converting"
        ? qsTr("converting %1 of %2").arg(Math.min(batch.doneCount + 1, batch.runTotal)).arg(batch.runTotal) : endNote
    readonly property string lastFolderUrl: batch.runFormat.folder ? Words.pathToUrl(batch.runFormat.folder) : ""
    readonly property int selectedIndex: inputPane.currentIndex
    readonly property string selectedPath: { batch.paths; return batch.pathAt(selectedIndex); }
    property var planOptions: { batch.starts; return flow.optionsFor(batch.paths); }

    // A command has just been sent.
    signal started()
    // The window may close now: the request that was running has stopped.
    signal closeApproved()

    // The form as the window remembers it between runs (main.qml stores it):
    // numbers as the engine writes them, whatever the language.
    function rememberedValues() {
        var values = form.values();
        values.existing = existingChoice;
        values.jobs = jobs;
        values.inputFolder = inputFolder;
        return values;
    }
    // value(key) gives undefined for a value never stored.
    function restore(value) {
        var keys = ["rate", "channels", "bitsIndex", "durationMode", "size", "sizeUnit", "duration",
                    "folder", "suffix", "pad", "fadeOutMs"];
        var values = {};
        keys.forEach(function (k) { var v = value(k); if (v !== undefined && v !== null) values[k] = v; });
        form.restore(values);
        var j = parseInt(value("jobs"), 10);
        if (settings.jobChoices.indexOf(j) >= 0)
            jobs = j;
        var from = value("inputFolder");
        if (from !== undefined && from !== null && String(from) !== "")
            inputFolder = String(from);
        var existing = String(value("existing"));
        if (existing === "overwrite" || existing === "skip")
            existingChoice = existing;
    }
    function applyPreset(preset) {
        if (editingLocked)
            return false;
        form.applyPreset(preset);
        return true;
    }

    function convert() {
        if (!canConvert)
            return false;
        failedOnly = false;
        unopenedFolder = "";
        return flow.start(plan.command, batch.paths);
    }
    // Converts again, with the form as it stands, only the inputs that failed.
    function retryFailed() {
        var failed = batch.failedPaths();
        if (!canConvert || failed.length === 0)
            return false;
        failedOnly = false;
        unopenedFolder = "";
        return flow.start(_data.rules.composeCommand(form.rate.value, form.channels.value, form.bits,
                                                   form.size.value, form.outputFolder, form.suffix,
                                                   failed), failed);
    }
    function stop() { return batch.stop(); }
    // "about 40 s left" from the time a run has taken and how far it is.
    function timeLeftText(elapsedMs, progress) {
        return runBar.timeLeftText(batch.secondsLeftAfter(elapsedMs, progress));
    }
    // False, asking first, while a request runs; closeApproved follows once
    // the person chose to stop and the request has ended.
    function mayClose() {
        if (!running)
            return true;
        closePrompt.open();
        return false;
    }
    // Adds the paths that the engine found and says what was refused.
    function addPaths(paths, refused, subfolders) {
        var added = batch.addPaths(paths, subfolders || []);
        if (inputPane.currentIndex < 0 && batch.count > 0)
            inputPane.select(0);
        notice = Words.refusalText(refused || []);
        return added;
    }
    // subfolders: walk the folders' trees, each output keeping its place.
    function addUrls(urls, subfolders) {
        if (!editingLocked)
            scanner.scan(urls, subfolders);
    }
    function removeAt(index) {
        var gone = batch.pathAt(index);
        if (editingLocked || gone === "")
            return;
        batch.removeAt(index);
        preview.doForget(gone);
    }
    function clearInputs() {
        if (editingLocked)
            return;
        batch.paths.forEach(function (p) { preview.doForget(p); });
        batch.clear();
        notice = "";
    }
    function openOutputFolder() {
        var folder = batch.runFormat.folder || "";
        if (folder !== "")
            unopenedFolder = _data.openFolder(folder) ? "" : folder;
    }

    Connections {
        target: batch
        function onRowStarted(row) { inputPane.follow(row) }
        function onFinished() {
            // What the run wrote may change what the next one plans.
            planWatcher.refresh();
            if (view.closeWhenStopped)
                view.closeApproved();
            else if (closePrompt.visible)
                closePrompt.close();
        }
    }
    onEditingLockedChanged: if (!editingLocked && batch.failedRows === 0) failedOnly = false

    Batch { id: batch; bridge: _data }
    Form {
        id: form
        inputs: batch.paths
        rateText: "44100"
        channelsText: "2"
        sizeText: "0"
        durationText: "1"
        suffix: "_out"
        fadeText: "0"
    }
    PlanWatcher {
        id: planWatcher
        batch: batch
        command: form.plan.ok ? form.plan.command : ""
        options: view.planOptions
        paused: view.running
    }
    SlotPreview { id: slotPreview }

    ClosePrompt {
        id: closePrompt
        onStopAndClose: {
            view.closeWhenStopped = true;
            if (!view.stop() && !view.running)
                view.closeApproved();
        }
    }
    FolderScanner { id: scanner; onFound: view.addPaths(paths, refused, subfolders) }
    RequestFlow {
        id: flow
        batch: batch
        form: form
        planner: planWatcher
        onSending: view.started()
    }
    InputDialogs {
        id: dialogs
        batch: batch
        inputFolder: view.inputFolder
        outputFolder: view.form.outputFolder
        onInputsChosen: { view.inputFolder = folder; view.addUrls(urls, subfolders); }
        onOutputFolderChosen: view.form.folderText = folder
    }

    Shortcut {
        sequences: ["Return", "Enter"]
        enabled: !settings.popupOpen && !flow.asking && !closePrompt.visible
        onActivated: view.convert()
    }
    Shortcut {
        sequence: "Escape"
        enabled: view.running && !batch.stopping && !flow.asking && !closePrompt.visible
        onActivated: view.stop()
    }
    Shortcut {
        sequence: StandardKey.Open
        enabled: !view.editingLocked
        onActivated: dialogs.addFiles()
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 12
        spacing: 10
        RowLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 14
            // The list over the selected file's slot; the handle between
            // them shares the height.
            SplitView {
                id: leftSplit
                objectName: "leftSplit"
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumWidth: 240
                orientation: Qt.Vertical
                handle: SplitGrip {}
                InputPane {
                    id: inputPane
                    SplitView.fillHeight: true
                    SplitView.minimumHeight: 130
                    batch: batch
                    locked: view.editingLocked
                    scanning: scanner.busy
                    failedOnly: view.failedOnly
                    notice: view.notice
                    canRetry: view.canConvert
                    onAddFilesClicked: dialogs.addFiles()
                    onAddFolderClicked: dialogs.addFolder()
                    onRetryClicked: view.retryFailed()
                    onFailedOnlyToggled: view.failedOnly = only
                    onNoticeDismissed: view.notice = ""
                    onRemoveRequested: view.removeAt(row)
                    onClearClicked: view.clearInputs()
                    onPlayRequested: slotPane.togglePlay()
                }
                SlotPane {
                    id: slotPane
                    objectName: "previewPanel"
                    SplitView.preferredHeight: Math.round(leftSplit.height * 0.42)
                    SplitView.minimumHeight: 150
                    visible: batch.count > 0
                    batch: batch
                    row: inputPane.currentIndex
                    preview: view.preview
                    locked: view.editingLocked
                    path: view.selectedPath
                    planner: planWatcher
                    formStart: form.start.ok ? form.start.value : ""
                    onApplyToAll: { form.startText = Words.localNumber(start); batch.clearStarts(); }
                }
            }
            SettingsPane {
                id: settings
                Layout.fillHeight: true
                // Never narrower than its longest row, which the language sets.
                Layout.minimumWidth: settings.neededWidth
                Layout.preferredWidth: Math.max(neededWidth, Math.min(460, Math.max(330, view.width * 0.4)))
                form: form
                locked: view.editingLocked
                firstInput: batch.count > 0 ? batch.pathAt(0) : ""
                jobs: view.jobs
                onPresetChosen: view.applyPreset(preset)
                onChooseFolderClicked: dialogs.chooseOutputFolder()
                onJobsChosen: view.jobs = jobs
            }
        }
        RunBar {
            id: runBar
            Layout.fillWidth: true
            batch: batch
            endNote: view.endNote
            folderProblem: view.folderProblem
            formReason: view.formReason
            unopenedFolder: view.unopenedFolder
            canConvert: view.canConvert
            canOpenFolder: view.lastFolderUrl !== ""
            onConvertClicked: view.convert()
            onStopClicked: view.stop()
            onOpenFolderClicked: view.openOutputFolder()
        }
    }

    // Shown while something is dragged over the window.
    DropZone {
        anchors.fill: parent
        locked: view.editingLocked
        onUrlsDropped: view.addUrls(urls)
    }
}
