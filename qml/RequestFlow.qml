// Carries a request from the Convert button to the batch through the
// questions that may stand before it: a very large total, an output folder
// that is not there yet (made only for a request that converts something),
// and outputs that exist already.
import QtQuick 2.15

Item {
    id: flow

    // The window's batch (Batch), form (Form) and plan watcher.
    property QtObject batch
    property QtObject form
    property QtObject planner
    // What to do with outputs that exist, as last chosen: "overwrite" or
    // "skip"; keeping them as failures is never the next run's default.
    property string existingChoice: "overwrite"
    property int jobs: 0
    // Why the output folder cannot take the outputs, found before sending.
    property string folderProblem: ""
    // The request being carried: { command, inputs }.
    property var pending: null
    // The request waits for the plan to say whether anything will convert.
    property bool waitingForPlan: false
    readonly property bool asking: existingPrompt.visible || folderPrompt.visible || largePrompt.visible

    // The request is about to go: the window remembers its form.
    signal sending()

    // The options a request carries beside its command, for `inputs`.
    function optionsFor(inputs) {
        var o = Object.assign({}, form.options);
        if (batch.hasOwnStarts())
            o.starts = batch.startsOf(inputs);
        var tree = batch.subfoldersOf(inputs);
        if (tree.length > 0)
            o.subfolders = tree;
        return o;
    }

    function start(command, inputs) {
        pending = { command: command, inputs: inputs };
        if (form.large) {
            largePrompt.open();
            return true;
        }
        return checkFolder();
    }
    function checkFolder() {
        var folder = _data.rules.checkOutputFolder(form.outputFolder);
        if (folder.missing) {
            if (!batch.planCurrent && planner.key !== "") {
                waitingForPlan = true;
                planner.flush();
            } else if (batch.willConvert > 0) {
                folderPrompt.open();
            }
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
        var existing = _data.rules.existingOutputs(pending.inputs, form.outputFolder, form.suffix,
                                                   batch.subfoldersOf(pending.inputs));
        if (existing.length > 0)
            existingPrompt.ask(pending.command, existing, form.outputFolder, existingChoice);
        else
            send(pending.command, "");
        return true;
    }
    function makeFolderAndConvert() {
        var why = _data.rules.makeFolder(form.outputFolder);
        if (why !== "") {
            folderProblem = why;
            return false;
        }
        return askAboutExisting();
    }
    // existing: "" where no output exists yet, which replaces what the run
    // may find all the same, as a bare request does.
    function send(command, existing) {
        if (existing === "overwrite" || existing === "skip")
            existingChoice = existing;
        folderProblem = "";
        planner.flush();
        sending();
        var options = optionsFor(pending.inputs);
        options.existing = existing !== "" ? existing : "overwrite";
        options.jobs = jobs;
        batch.start(command, options, pending.inputs,
                    { rate: form.rate.value, channels: form.channels.value, bits: form.bits,
                      size: form.size.value, folder: form.outputFolder, suffix: form.suffix });
    }

    Connections {
        target: flow.batch
        function onPlansChanged() {
            if (!flow.waitingForPlan || !flow.batch.planCurrent)
                return;
            flow.waitingForPlan = false;
            if (flow.batch.willConvert > 0)
                folderPrompt.open();
        }
    }
    Connections {
        target: flow.form
        function onOutputFolderChanged() { flow.folderProblem = "" }
    }

    ExistingPrompt { id: existingPrompt; onChosen: flow.send(command, existing) }
    FolderPrompt { id: folderPrompt; folder: flow.form.outputFolder; onMakeChosen: flow.makeFolderAndConvert() }
    LargePrompt { id: largePrompt; text: flow.form.largeText || ""; onGoOn: flow.checkFolder() }
}
