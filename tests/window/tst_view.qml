// The window's content against a stand-in bridge with the real engine rules:
// what it sends, how it follows sgWait, sgResampReady, sgResampSkipped and
// sgResampFailed, how it takes inputs and what it asks before replacing files.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.2
import QtQuick.Controls 2.15
import "../../qml"
import "../../qml/Words.js" as Words
import "Fit.js" as Fit

// TestCase itself is never visible; the view lives beside it, in a shown item.
Item {
    id: root
    width: 960
    height: 640

    TestCase {
        id: testCase
        name: "View"
        when: windowShown

        property var view: null

        Component {
            id: viewComponent
            ConverterView {}
        }

        SignalSpy { id: commandsSpy; target: _data; signalName: "commandsChanged" }

        function init() {
            _data.reset();
            commandsSpy.clear();
            view = createTemporaryObject(viewComponent, root, { width: 960, height: 640 });
            waitForRendering(view);
            verify(view);
            view.suffixText = "_out";
            view.folderText = "";
        }

        // Clicks where the control is once pending layouts have settled.
        function click(name) {
            var control = item(name);
            for (var p = control.parent; p; p = p.parent)
                waitForItemPolished(p);
            mouseClick(control);
        }

        function item(name) {
            var found = findChild(view, name);
            verify(found, "no item named " + name);
            return found;
        }

        function statuses() {
            var list = [];
            for (var i = 0; i < view.batch.count; ++i)
                list.push(view.batch.rowAt(i).status);
            return list;
        }

        // An output folder that exists: the view checks it before it sends.
        readonly property string out: _fixtures + "/out"

        // A form that converts /in/a.wav and /in/b.flac to 48 kHz mono 24-bit.
        function fillForm() {
            compare(view.addPaths(["/in/a.wav", "/in/b.flac"]), 2);
            view.rateText = "48000";
            view.channelsText = "1";
            view.bitsIndex = 2;
            view.durationMode = false;
            view.sizeUnit = 0;
            view.sizeText = "65580";
            view.folderText = out;
            view.suffixText = "_48k";
        }

        readonly property string expectedCommand: "$DoConvert,48000,1,24,65580," + out + "/,_48k,/in/a.wav,/in/b.flac"

        function test_emptyWindowCannotConvert() {
            verify(!item("convertButton").enabled);
            compare(item("reasonLabel").text, "Add the audio files to convert.");
            click("convertButton");
            keyClick(Qt.Key_Return);
            compare(_data.commands.length, 0);
            compare(commandsSpy.count, 0);
        }

        function test_buttonSendsOneCommand() {
            fillForm();
            var button = item("convertButton");
            verify(button.enabled);
            compare(button.text, "Convert 2 files");
            click("convertButton");
            compare(_data.commands, [expectedCommand]);
            // Busy now: a second click sends nothing.
            verify(view.busy);
            verify(!button.enabled);
            click("convertButton");
            keyClick(Qt.Key_Return);
            compare(commandsSpy.count, 1);
        }

        function test_enterConverts_data() {
            return [{ tag: "Return", key: Qt.Key_Return }, { tag: "Enter", key: Qt.Key_Enter }];
        }

        function test_enterConverts(data) {
            fillForm();
            // Enter works with the focus in a text field too.
            item("sizeField").forceActiveFocus();
            keyClick(data.key);
            compare(_data.commands, [expectedCommand]);
            compare(commandsSpy.count, 1);
        }

        function test_busyFollowsTheBridge() {
            fillForm();
            var busyIndicator = item("busyIndicator");
            var addButton = item("addFilesButton");
            verify(!busyIndicator.running);
            verify(view.convert());
            verify(busyIndicator.running);
            verify(!addButton.enabled);
            verify(!item("clearButton").enabled);
            compare(statuses(), ["waiting", "waiting"]);
            _data.emitStarted("/in/a.wav");
            compare(statuses(), ["converting", "waiting"]);
            tryCompare(item("summaryLabel"), "text", "Converting… 0 of 2 done");

            _data.emitReady("/in/a.wav");
            _data.emitStarted("/in/b.flac");
            compare(statuses(), ["converted", "converting"]);
            compare(view.batch.rowAt(0).output, out + "/a_48k.wav");
            tryCompare(item("summaryLabel"), "text", "Converting… 1 of 2 done");

            _data.emitFailed("/in/b.flac", "cannot read: permission denied");
            compare(statuses(), ["converted", "failed"]);
            compare(view.batch.rowAt(1).reason, "cannot read: permission denied");
            verify(busyIndicator.running);

            _data.emitWait(false);
            verify(!view.busy);
            verify(!busyIndicator.running);
            verify(addButton.enabled);
            // The form is free again; Convert then follows the plan of files
            // that do not exist here.
            verify(item("settingsColumn").enabled);
            compare(item("summaryLabel").text, "Done: 1 converted, 1 failed");
            compare(commandsSpy.count, 1);
        }

        function test_rowShowsItsFate() {
            fillForm();
            view.convert();
            _data.emitFailed("/in/a.wav", "the input is damaged or cut short: flac: <lost sync>");
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            var list = item("inputList");
            list.currentIndex = 0;
            compare(findChild(list.currentItem, "rowStatus").text, "Failed");
            // The reason has a line of its own; libsox's words behind it read smaller.
            var reason = findChild(list.currentItem, "rowReason");
            verify(reason.visible);
            compare(reason.text, "the input is damaged or cut short: <font color=\""
                                 + list.currentItem.theme.listHint + "\"><small>"
                                 + "flac: &lt;lost sync&gt;</small></font>");
            compare(list.currentItem.Accessible.name.indexOf("Failed: the input is damaged"), 7);
            list.currentIndex = 1;
            compare(findChild(list.currentItem, "rowStatus").text, "\u2192 b_48k.wav");
            verify(list.currentItem.ToolTip.text.indexOf("Converted to b_48k.wav") >= 0);
        }

        // The real controller answers inside doConvert; a slower one must not
        // leave a gap in which a second command could be sent.
        function test_busyBeforeTheBridgeAnswers() {
            fillForm();
            _data.answersWait = false;
            verify(view.convert());
            verify(!item("convertButton").enabled);
            verify(!view.convert());
            _data.emitWait(true);
            _data.emitReady("/in/a.wav");
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            compare(statuses(), ["converted", "converted"]);
            compare(item("summaryLabel").text, "Done: 2 converted");
            compare(commandsSpy.count, 1);
        }

        function test_skippedRowStandsApart() {
            fillForm();
            view.convert();
            _data.emitSkipped("/in/a.wav", "the output /out/a_48k.wav exists");
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            compare(statuses(), ["skipped", "converted"]);
            compare(view.summary, "1 converted, 1 skipped");
            var list = item("inputList");
            function rowStatus(index) {
                list.currentIndex = index;
                var label = findChild(list.currentItem, "rowStatus");
                return { text: label.text, color: String(label.color) };
            }
            var skipped = rowStatus(0);
            compare(skipped.text, "Skipped: the output /out/a_48k.wav exists");
            verify(skipped.color !== rowStatus(1).color);
            view.convert();
            _data.emitFailed("/in/a.wav", "x");
            _data.emitWait(false);
            verify(skipped.color !== rowStatus(0).color);
        }

        function test_refusedCommand() {
            fillForm();
            view.convert();
            _data.emitFailed("", "position 1 (sample rate) must be from 1 to 768000, not 0");
            _data.emitWait(false);
            compare(statuses(), ["failed", "failed"]);
            compare(view.batch.rowAt(0).reason, "position 1 (sample rate) must be from 1 to 768000, not 0");
            compare(item("summaryLabel").text,
                    "Nothing was converted: position 1 (sample rate) must be from 1 to 768000, not 0");
        }

        // An end without a word about some input leaves no row looking busy.
        function test_silentInputCountsAsFailed() {
            fillForm();
            view.convert();
            _data.emitReady("/in/a.wav");
            _data.emitWait(false);
            compare(statuses(), ["converted", "failed"]);
            compare(view.batch.rowAt(1).reason, "no result came back for this file.");
            compare(view.summary, "1 converted, 1 failed");
        }

        function test_newsWithoutARequestIsIgnored() {
            fillForm();
            _data.emitReady("/in/a.wav");
            _data.emitSkipped("/in/a.wav", "x");
            _data.emitFailed("/in/b.flac", "x");
            _data.emitWait(false);
            compare(statuses(), ["", ""]);
            compare(view.summary, "");
            verify(item("convertButton").enabled);
        }

        function test_convertAgainResetsRows() {
            fillForm();
            view.convert();
            _data.emitReady("/in/a.wav");
            _data.emitFailed("/in/b.flac", "x");
            _data.emitWait(false);
            verify(view.convert());
            compare(statuses(), ["waiting", "waiting"]);
            compare(view.batch.rowAt(1).reason, "");
            compare(_data.commands, [expectedCommand, expectedCommand]);
        }

        function test_fieldSaysWhy_data() {
            return [
                { tag: "rate 0", field: "rateText", value: "0", note: "rateNote", reason: "from 1 to 768,000" },
                { tag: "rate in words", field: "rateText", value: "fast", note: "rateNote", reason: "whole number of hertz" },
                { tag: "channels 0", field: "channelsText", value: "0", note: "channelsNote", reason: "from 1 to 255" },
                { tag: "channels empty", field: "channelsText", value: "", note: "channelsNote", reason: "Type a channel count" },
                { tag: "size header only", field: "sizeText", value: "44", note: "sizeNote", reason: "leaves no room for samples" },
                { tag: "size in words", field: "sizeText", value: "lots", note: "sizeNote", reason: "does not begin with a number" },
                { tag: "fade in seconds", field: "fadeText", value: "0.5", note: "fadeNote", reason: "whole number of milliseconds" },
                { tag: "start in words", field: "startText", value: "soon", note: "startNote", reason: "time in seconds" }
            ];
        }

        function test_fieldSaysWhy(data) {
            fillForm();
            verify(item("convertButton").enabled);
            view[data.field] = data.value;
            var note = item(data.note);
            verify(note.visible);
            verify(note.text.indexOf(data.reason) >= 0, note.text);
            verify(!item("convertButton").enabled);
            compare(item("reasonLabel").text, note.text);
            keyClick(Qt.Key_Return);
            compare(commandsSpy.count, 0);
        }

        function test_outputSettingsSayWhy_data() {
            return [
                { tag: "comma in the folder", field: "folderText", value: "/a,b", reason: "comma" },
                { tag: "slash in the suffix", field: "suffixText", value: "x/y", reason: "cannot hold a /" },
                // Only the rows that the engine refuses say so: the form stands.
                { tag: "written over itself", field: "suffixText", value: "", ok: true }
            ];
        }

        function test_outputSettingsSayWhy(data) {
            fillForm();
            view.folderText = "/in/";
            view[data.field] = data.value;
            compare(view.plan.ok, data.ok === true);
            if (data.ok)
                return;
            verify(!item("convertButton").enabled);
            verify(item("reasonLabel").text.indexOf(data.reason) >= 0, item("reasonLabel").text);
        }

        function test_duplicatesAddedOnce() {
            compare(view.addPaths(["/in/a.wav", "/in/a.wav"]), 1);
            compare(view.addPaths(["/in/a.wav", "/in/b.wav"]), 1);
            compare(view.batch.count, 2);
        }

        function test_removeAndClear() {
            view.addPaths(["/in/a.wav", "/in/b.wav", "/in/c.wav"]);
            var list = item("inputList");
            // The first row is selected as soon as there is one.
            compare(list.currentIndex, 0);
            verify(item("removeButton").enabled);
            list.currentIndex = 1;
            click("removeButton");
            compare(view.batch.count, 2);
            compare(view.batch.rowAt(1).path, "/in/c.wav");
            list.forceActiveFocus();
            list.currentIndex = 0;
            keyClick(Qt.Key_Delete);
            compare(view.batch.count, 1);
            compare(view.batch.rowAt(0).path, "/in/c.wav");
            click("clearButton");
            compare(view.batch.count, 0);
            verify(!item("clearButton").enabled);
        }

        // Folders are opened up by the engine, as the command line does; a
        // file stands for itself whatever its name.
        function test_dropFoldersAndFiles() {
            var base = _fixtures;
            view.addUrls([Words.pathToUrl(base + "/songs"), Words.pathToUrl(base + "/loose.aiff"),
                          Words.pathToUrl(base + "/empty"), Words.pathToUrl(base + "/with,comma"),
                          Words.pathToUrl(base + "/mixed"), Words.pathToUrl(base + "/mixed/x,y.wav"),
                          Words.pathToUrl(base + "/README"), "https://example.org/a.wav"]);
            verify(view.scanning);
            verify(!item("convertButton").enabled);
            tryVerify(function () { return !view.scanning; });
            var paths = [];
            for (var i = 0; i < view.batch.count; ++i)
                paths.push(view.batch.rowAt(i).path.slice(base.length));
            compare(paths, ["/songs/a.wav", "/songs/b.FLAC", "/songs/c.ogg", "/loose.aiff", "/README"]);
            var lines = item("noticeLabel").text.split("\n");
            compare(lines.length, 5, lines.join("\n"));
            verify(lines[0].indexOf("Not added: https://example.org/a.wav") === 0, lines[0]);
            verify(lines[1].indexOf("Not added: " + base + "/with,comma \u2014 a path that holds a \",\"") === 0, lines[1]);
            // A folder with one name the command cannot carry is refused whole, as on the command line.
            verify(lines[2].indexOf("Not added: " + base + "/mixed \u2014 " + base + "/mixed/x,y.wav") === 0, lines[2]);
            verify(lines[3].indexOf("Not added: " + base + "/mixed/x,y.wav \u2014 a path") === 0, lines[3]);
            compare(lines[4], "No audio files found directly inside " + base + "/empty.");
        }

        // "Add folder" on a folder with folders inside asks first; with its
        // subfolders, each row keeps its folder in the tree and the request
        // carries it, as -R's outputs keep theirs.
        function test_addFolderAsksForSubfolders_data() {
            return [{ tag: "include subfolders", button: "includeSubfoldersButton",
                      rows: ["/songs/a.wav ", "/songs/b.FLAC ", "/songs/c.ogg ", "/songs/deeper/d.wav deeper"] },
                    { tag: "this folder only", button: "folderOnlyButton",
                      rows: ["/songs/a.wav ", "/songs/b.FLAC ", "/songs/c.ogg "] }];
        }
        function test_addFolderAsksForSubfolders(data) {
            var dialogs = item("inputDialogs");
            dialogs.folderChosen(Words.pathToUrl(_fixtures + "/songs"));
            var prompt = item("subfolderPrompt");
            tryVerify(function () { return prompt.opened; });
            click(data.button);
            tryVerify(function () { return !prompt.visible && !view.scanning && view.batch.count > 0; });
            var paths = view.batch.paths;
            var tree = view.batch.subfoldersOf(paths);
            var rows = paths.map(function (p, i) {
                return p.slice(_fixtures.length) + " " + (tree.length > 0 ? tree[i] : "");
            });
            compare(rows.sort(), data.rows.sort());
            compare(view.planOptions.subfolders, tree.length > 0 ? tree : undefined);

            // A folder without folders inside adds at once.
            view.clearInputs();
            dialogs.folderChosen(Words.pathToUrl(_fixtures + "/songs/deeper"));
            verify(!prompt.visible);
            tryVerify(function () { return !view.scanning && view.batch.count === 1; });
        }

        function test_wholeFrameSizes() {
            fillForm();
            view.channelsText = "2";
            view.bitsIndex = 1;
            view.sizeText = "1003";
            var warning = item("frameWarning");
            verify(warning.visible);
            verify(warning.text.indexOf("4-byte frames") >= 0, warning.text);
            compare(item("lowerSizeButton").text, "1,000 bytes");
            compare(item("upperSizeButton").text, "1,004 bytes");
            // A torn last frame is allowed, only pointed out.
            verify(item("convertButton").enabled);
            click("upperSizeButton");
            compare(view.sizeText, "1004");
            verify(!warning.visible);
        }

        function test_nearestSizeFromKiB() {
            fillForm();
            view.channelsText = "2";
            view.bitsIndex = 2;
            view.sizeUnit = 1;
            view.sizeText = "1";
            // 1024 - 44 = 980 bytes of sound, not a whole number of 6-byte frames.
            compare(item("lowerSizeButton").text, "1,022 bytes");
            click("lowerSizeButton");
            compare(view.sizeUnit, 0);
            compare(view.sizeText, "1022");
        }

        // 0.7 s at 44.1 kHz is 30,870 frames, as the command line's --duration 0.7 makes it.
        function test_sizeFromTheEngine() {
            fillForm();
            view.rateText = "44100";
            view.bitsIndex = 1;
            view.durationMode = true;
            view.durationText = "0.7";
            compare(item("sizeInfo").text, "Each file will be exactly 61,784 bytes (60.3 KiB): 30,870 frames.");
            verify(view.convert());
            compare(_data.commands, ["$DoConvert,44100,1,16," + (44 + 30870 * 2) + "," + out + "/,_48k,/in/a.wav,/in/b.flac"]);
        }

        function test_durationGoesIntoTheCommand() {
            fillForm();
            view.durationMode = true;
            view.durationText = "0.5";
            verify(view.convert());
            compare(_data.commands, ["$DoConvert,48000,1,24," + (44 + 24000 * 3) + "," + out + "/,_48k,/in/a.wav,/in/b.flac"]);
        }

        function test_defaultFolderAndPreview() {
            view.addPaths([_fixtures + "/songs/take1.WAV", "/other/b.flac"]);
            view.folderText = "";
            view.suffixText = "_x";
            compare(item("previewLabel").text, "The first file will be saved as " + _fixtures + "/songs/take1_x.wav");
            verify(view.convert());
            var parts = _data.commands[0].split(",");
            compare(parts[5], _fixtures + "/songs/");
            compare(parts[6], "_x");
            compare(parts.slice(7), [_fixtures + "/songs/take1.WAV", "/other/b.flac"]);
        }

        // a_done.wav and b_done.wav stand beside a.wav and b.flac already.
        function fillExisting() {
            compare(view.addPaths([_fixtures + "/done/a.wav", _fixtures + "/done/b.flac"]), 2);
            view.rateText = "8000";
            view.channelsText = "1";
            view.sizeText = "0";
            view.suffixText = "_done";
        }

        function test_existingOutputs_data() {
            return [
                { tag: "replace", button: "replaceButton", existing: "overwrite" },
                { tag: "skip", button: "skipButton", existing: "skip" },
                // Keeping them as failures is never the next run's default:
                // Enter would fail them all again.
                { tag: "fail", button: "failButton", existing: "fail", next: "replaceButton",
                  remembered: "overwrite" },
                { tag: "cancel", button: "cancelExistingButton", existing: "" }
            ];
        }

        function test_existingOutputs(data) {
            fillExisting();
            var prompt = findChild(view, "existingPrompt");
            verify(!prompt.opened);
            click("convertButton");
            tryVerify(function () { return prompt.opened; });
            compare(commandsSpy.count, 0);
            compare(findChild(prompt.contentItem, "existingText").text,
                    "Converting would write over a_done.wav and b_done.wav in " + _fixtures + "/done/.");
            // Nothing is chosen yet: Enter picks the choice remembered, replacing.
            verify(findChild(prompt.contentItem, "replaceButton").activeFocus);
            mouseClick(findChild(prompt.contentItem, data.button));
            tryVerify(function () { return !prompt.visible; });
            if (data.existing === "") {
                compare(commandsSpy.count, 0);
                verify(item("convertButton").enabled);
                compare(view.rememberedValues().existing, "overwrite");
                return;
            }
            var command = "$DoConvert,8000,1,16,0," + _fixtures + "/done/,_done," + _fixtures + "/done/a.wav,"
                          + _fixtures + "/done/b.flac";
            compare(_data.commands, [command]);
            compare(_data.existing, [data.existing]);
            var kept = data.remembered || data.existing;
            compare(view.rememberedValues().existing, kept);

            // The next time, the last choice is the one Enter picks.
            _data.emitWait(false);
            verify(view.convert());
            tryVerify(function () { return prompt.opened; });
            var remembered = findChild(prompt.contentItem, data.next || data.button);
            verify(remembered.highlighted);
            verify(remembered.activeFocus);
            keyClick(Qt.Key_Return);
            compare(_data.existing, [data.existing, kept]);
            compare(commandsSpy.count, 2);
        }

        // Where no output exists yet there is nothing to ask.
        function test_noOutputsNoQuestion() {
            fillExisting();
            view.suffixText = "_new";
            verify(view.convert());
            verify(!findChild(view, "existingPrompt").visible);
            compare(_data.existing, ["overwrite"]);
        }

        // The slot options travel beside the command as typed; with none set
        // the request is the plain one. Pad and fade need a size to work on.
        function test_slotOptionsGoWithTheRequest_data() {
            return [
                { tag: "none set", pad: false, fade: "0", start: "",
                  options: { existing: "overwrite", pad: false, fadeOutMs: 0, start: "", jobs: 0 } },
                { tag: "pad, 4 jobs", pad: true, fade: "0", start: "", jobs: 4,
                  options: { existing: "overwrite", pad: true, fadeOutMs: 0, start: "", jobs: 4 } },
                { tag: "fade and a start with a decimal comma", pad: false, fade: "20", start: "1,5",
                  options: { existing: "overwrite", pad: false, fadeOutMs: 20, start: "1.5", jobs: 0 } },
                { tag: "size 0 has nothing to pad or fade", size: "0", pad: true, fade: "20", start: "0:01",
                  options: { existing: "overwrite", pad: false, fadeOutMs: 0, start: "0:01", jobs: 0 } }
            ];
        }

        function test_slotOptionsGoWithTheRequest(data) {
            fillForm();
            if (data.size !== undefined)
                view.sizeText = data.size;
            view.padChecked = data.pad;
            view.fadeText = data.fade;
            view.startText = data.start;
            // The jobs box's fifth entry: 4 at a time.
            if (data.jobs !== undefined) {
                var jobsBox = item("jobsBox");
                jobsBox.currentIndex = 4;
                jobsBox.activated(4);
            }
            compare(item("padBox").enabled, data.size === undefined);
            verify(view.convert());
            compare(_data.commands, [data.size === undefined ? expectedCommand
                                                             : expectedCommand.replace(",65580,", ",0,")]);
            compare(_data.options, [data.options]);
            var remembered = view.rememberedValues();
            compare([remembered.pad, remembered.fadeOutMs, remembered.jobs],
                    [data.pad, data.fade, data.options.jobs]);
            // A start belongs to this batch, not to the next session.
            verify(remembered.start === undefined);
        }

        // Each row says what the engine's planner makes of it: half.wav holds
        // 4,000 frames (0.5 s) of 8 kHz mono 16-bit sound.
        function test_rowsShowThePlan_data() {
            return [
                { tag: "padded", size: "16044", pad: true,
                  words: "16,044 bytes \u2014 pads 0.5 s of silence" },
                { tag: "short", size: "16044", pad: false,
                  words: "8,044 bytes \u2014 8,000 bytes short: the sound ends first" },
                { tag: "cut and faded", size: "4044", fade: "20",
                  words: "4,044 bytes \u2014 cuts at 0.25 s, fades 20 ms" },
                { tag: "from a start", size: "0", start: "0.25",
                  words: "4,044 bytes \u2014 from 0.25 s" },
                { tag: "whole", size: "0", words: "8,044 bytes \u2014 the whole sound" },
                { tag: "start after the end", size: "0", start: "1", refused: true }
            ];
        }

        function test_rowsShowThePlan(data) {
            var input = _fixtures + "/real/half.wav";
            view.addPaths([input]);
            view.rateText = "8000";
            view.channelsText = "1";
            view.bitsIndex = 1;
            view.folderText = _fixtures + "/out";
            view.sizeText = data.size;
            view.padChecked = data.pad === true;
            view.fadeText = data.fade || "0";
            view.startText = data.start || "";
            tryVerify(function () { return view.planner.current; }, 10000);
            var row = item("inputList").itemAtIndex(0);
            // What the file is: in the row's tooltip, and beside the preview of the selected row.
            var facts = "WAV \u00b7 8 kHz \u00b7 mono \u00b7 0.50 s";
            verify(row.ToolTip.text.indexOf(facts) >= 0, row.ToolTip.text);
            var planned = view.batch.rowAt(view.batch.indexOf(input)).plan;
            if (data.refused) {
                verify(planned.reason !== "");
                verify(!findChild(row, "rowPlan").visible);
                compare(findChild(row, "rowStatus").text, "Will not convert");
                verify(findChild(row, "rowReason").visible);
            } else {
                compare(findChild(row, "rowPlan").text, data.words);
                compare(item("slotFacts").text, facts);
                compare(item("slotName").text, "half.wav");
                verify(!findChild(row, "rowReason").visible);
            }
        }

        // A form sent before its plan came back is planned all the same,
        // though a running request holds back plans of later edits.
        function test_planOfTheRequestSent() {
            view.addPaths([_fixtures + "/real/half.wav"]);
            view.rateText = "8000";
            view.folderText = _fixtures + "/out";
            verify(view.convert());
            tryVerify(function () { return view.planner.current; }, 10000);
            verify(view.running);
            view.suffixText = "_later";
            verify(!view.planner.current);
            view.planner.timer.triggered();
            compare(view.planner.asked, 0);
            _data.emitWait(false);
            tryVerify(function () { return view.planner.current; }, 10000);
        }

        // Stop and Escape cancel the running request once; what it leaves
        // unconverted is stopped, not failed.
        function test_stop_data() {
            return [{ tag: "button" }, { tag: "Escape", key: Qt.Key_Escape }];
        }

        function test_stop(data) {
            fillForm();
            verify(!item("stopButton").visible);
            verify(view.convert());
            _data.emitStarted("/in/a.wav");
            if (data.key)
                keyClick(data.key);
            else
                click("stopButton");
            compare(_data.cancels, 1);
            verify(!item("stopButton").enabled);
            keyClick(Qt.Key_Escape);
            compare(_data.cancels, 1);
            compare(item("summaryLabel").text, "Stopping…");
            _data.emitFailed("/in/a.wav", "cancelled");
            _data.emitWait(false);
            compare(statuses(), ["stopped", "stopped"]);
            compare(view.summary, "0 converted, 2 stopped");
            compare(view.titleState, "Stopped: 0 converted, 2 stopped");
            verify(!item("stopButton").visible);
        }

        // started, progress and clipped move the rows, the whole bar and the title.
        function test_followsTheRun() {
            fillForm();
            var more = [];
            for (var i = 0; i < 30; ++i)
                more.push("/in/more" + i + ".wav");
            view.addPaths(more);
            var list = item("inputList");
            verify(view.convert());
            compare(view.titleState, "converting 1 of 32");
            // Rows grow as the plan arrives; the list follows regardless.
            tryVerify(function () { return view.planner.current; }, 10000);
            _data.emitStarted("/in/a.wav");
            _data.emitProgress("/in/a.wav", 300, 1200);
            compare(view.batch.rowAt(0).progress, 0.25);
            tryCompare(item("runProgress"), "value", 0.25 / 32);
            _data.emitClipped("/in/a.wav", 12);
            _data.emitReady("/in/a.wav");
            tryCompare(view, "titleState", "converting 2 of 32");
            compare(findChild(list.itemAtIndex(0), "rowClipped").text, "12 samples clipped");
            // The list follows the file being converted, far down.
            _data.emitStarted("/in/more29.wav");
            compare(statuses()[31], "converting");
            _data.emitProgress("/in/more29.wav", 5, 0);
            compare(view.batch.rowAt(31).progress, -1);
            // A few times a second, not at every file's start.
            tryVerify(function () {
                var row = list.itemAtIndex(31);
                return row && row.y >= list.contentY && row.y + row.height <= list.contentY + list.height + 1;
            }, 2000, "the running row is out of sight");
            var last = list.itemAtIndex(31);
            verify(findChild(last, "rowProgress").indeterminate);
            _data.emitWait(false);
            compare(view.titleState, "Done: 1 converted, 31 failed");
        }

        // Inputs converting side by side each move their own row; the whole
        // bar counts them all.
        function test_sideBySide() {
            fillForm();
            verify(view.convert());
            _data.emitStarted("/in/a.wav");
            _data.emitStarted("/in/b.flac");
            _data.emitFraction("/in/a.wav", 0.5);
            _data.emitFraction("/in/b.flac", 0.25);
            compare(statuses(), ["converting", "converting"]);
            compare(view.batch.rowAt(1).progress, 0.25);
            tryCompare(item("runProgress"), "value", 0.75 / 2);
            _data.emitReady("/in/a.wav");
            tryCompare(item("runProgress"), "value", 1.25 / 2);
        }

        // Closing mid-run asks; only "Stop and close" cancels, and the window
        // closes once the request has ended.
        function test_closeWhileConverting() {
            var approved = createTemporaryObject(signalSpyComponent, testCase,
                                                 { target: view, signalName: "closeApproved" });
            verify(view.mayClose());
            fillForm();
            verify(view.convert());
            var prompt = item("closePrompt");
            verify(!view.mayClose());
            tryVerify(function () { return prompt.opened; });
            mouseClick(findChild(prompt.contentItem, "keepConvertingButton"));
            tryVerify(function () { return !prompt.visible; });
            compare(_data.cancels, 0);
            // A run that ends while the question stands takes the question away.
            verify(!view.mayClose());
            tryVerify(function () { return prompt.opened; });
            _data.emitWait(false);
            tryVerify(function () { return !prompt.visible; });
            compare(approved.count, 0);
            verify(view.mayClose());
            verify(view.convert());
            verify(!view.mayClose());
            tryVerify(function () { return prompt.opened; });
            mouseClick(findChild(prompt.contentItem, "stopAndCloseButton"));
            compare(_data.cancels, 1);
            compare(approved.count, 0);
            _data.emitWait(false);
            compare(approved.count, 1);
        }

        Component { id: signalSpyComponent; SignalSpy {} }

        // The form's two inputs and `count - 2` more run to their end: the
        // rows at `failed` fail, the others convert.
        function finishRun(count, failed) {
            fillForm();
            var more = [];
            for (var i = 2; i < count; ++i)
                more.push("/in/more" + i + ".wav");
            view.addPaths(more);
            verify(view.convert());
            for (var j = 0; j < count; ++j) {
                var path = view.batch.rowAt(j).path;
                if (failed.indexOf(j) >= 0)
                    _data.emitFailed(path, "cannot read: permission denied");
                else
                    _data.emitReady(path);
            }
            _data.emitWait(false);
            for (var p = item("inputList"); p; p = p.parent)
                waitForItemPolished(p);
        }

        // The rows of the list that show whole, by index.
        function rowsInSight() {
            var list = item("inputList");
            var shown = [];
            for (var i = 0; i < view.batch.count; ++i) {
                var row = list.itemAtIndex(i);
                if (row && row.visible && row.height > 0 && row.y >= list.contentY
                        && row.y + row.height <= list.contentY + list.height)
                    shown.push(i);
            }
            return shown;
        }

        // As many rows as the list's height holds at two lines each.
        function rowsThatFit() {
            var list = item("inputList");
            return Math.floor(list.height / (2 * fontMetrics.height + 6));
        }
        FontMetrics { id: fontMetrics; font: Qt.application.font }

        // At 960×640, after a run with a failure (its bar shown), a long list
        // shows its rows in two lines each, and the slot under it keeps its
        // share; the split gives the list more.
        function test_compactRows() {
            finishRun(40, [3]);
            verify(item("failuresBar").visible);
            var shown = rowsInSight();
            verify(shown.length >= rowsThatFit() && shown.length >= 4, shown.length + " rows in sight");
            verify(item("waveformBox").height >= 100, "the waveform is " + item("waveformBox").height + " high");
            compare(view.titleState, "Done: 39 converted, 1 failed");
            compare(view.lastFolderUrl, "file://" + out + "/");
        }

        // Where no file manager shows the folder, the window names it; the
        // next run clears that.
        function test_openOutputFolder_data() {
            return [
                { tag: "shown", opens: true },
                { tag: "no file manager", opens: false },
            ];
        }
        function test_openOutputFolder(data) {
            finishRun(2, []);
            _data.folderOpens = data.opens;
            click("openFolderButton");
            compare(_data.openedFolders, [out + "/"]);
            var note = item("unopenedFolderNote");
            compare(note.visible, !data.opens);
            compare(note.text, data.opens ? "" : "Nothing on this computer opens folders. The files are in " + out + "/");
            verify(view.convert());
            _data.emitWait(false);
            verify(!view.running);
            compare(note.visible, false);
        }

        function test_failuresFound() {
            finishRun(40, [5, 30]);
            var list = item("inputList");
            list.positionViewAtEnd();
            click("firstFailureButton");
            compare(list.currentIndex, 5);
            verify(rowsInSight().indexOf(5) >= 0, "the first failure is out of sight");

            click("failedOnlyBox");
            verify(view.failedOnly);
            waitForItemPolished(list);
            compare(rowsInSight(), [5, 30]);
            // The arrows pass over the rows the filter hides.
            list.forceActiveFocus();
            keyClick(Qt.Key_Down);
            compare(list.currentIndex, 30);
            keyClick(Qt.Key_Up);
            compare(list.currentIndex, 5);
            click("failedOnlyBox");
            waitForItemPolished(list);
            tryVerify(function () { return rowsInSight().length >= rowsThatFit(); });
        }

        // Retry sends the failed inputs alone, with the form as it stands;
        // the end then speaks of the whole list.
        function test_timeLeft_data() {
            return [
                { tag: "too early to tell", elapsed: 1500, progress: 0.5, text: "" },
                { tag: "nothing done yet", elapsed: 9000, progress: 0.01, text: "" },
                { tag: "a quarter in 10 s", elapsed: 10000, progress: 0.25, text: "about 30 s left" },
                { tag: "a tenth in a minute", elapsed: 60000, progress: 0.1, text: "about 9 min left" },
                { tag: "hours", elapsed: 600000, progress: 0.05, text: "about 3 h 10 min left" },
                { tag: "finished", elapsed: 60000, progress: 1, text: "" }
            ];
        }

        function test_timeLeft(data) {
            compare(view.timeLeftText(data.elapsed, data.progress), data.text);
        }

        function test_retryFailed() {
            finishRun(4, [1, 3]);
            compare(item("retryFailedButton").text, "Retry 2 failed");
            click("failedOnlyBox");
            click("retryFailedButton");
            compare(_data.commands.length, 2);
            compare(_data.commands[1], "$DoConvert,48000,1,24,65580," + out + "/,_48k,/in/b.flac,/in/more3.wav");
            compare(statuses(), ["converted", "waiting", "converted", "waiting"]);
            verify(!view.failedOnly);
            compare(view.titleState, "converting 1 of 2");
            _data.emitReady("/in/b.flac");
            _data.emitFailed("/in/more3.wav", "cannot read: permission denied");
            _data.emitWait(false);
            compare(statuses(), ["converted", "converted", "converted", "failed"]);
            compare(item("summaryLabel").text, "Done: 3 converted, 1 failed");
            compare(item("retryFailedButton").text, "Retry the failed file");
        }

        // The output folder is judged once, before anything is sent: a missing
        // one may be made, one that cannot be used is said once.
        function test_outputFolderChecked_data() {
            return [
                { tag: "missing, made", folder: "/made/deeper", button: "makeFolderButton", sent: 1 },
                { tag: "missing, not made", folder: "/not made", button: "cancelFolderButton", sent: 0 },
                // A folder is made only for a request that converts something.
                { tag: "missing, nothing would convert", folder: "/never made", inputs: ["/in/gone.wav"],
                  sent: 0, asked: false },
                { tag: "a file", folder: "/README", sent: 0,
                  message: "Nothing was converted: output folder is not a folder: " }
            ];
        }

        function test_outputFolderChecked(data) {
            fillForm();
            view.clearInputs();
            var inputs = data.inputs || [_fixtures + "/real/half.wav", "/in/b.flac"];
            view.addPaths(inputs);
            var folder = _fixtures + data.folder;
            view.folderText = folder;
            var prompt = item("folderPrompt");
            if (data.asked === false) {
                verify(view.convert());
                tryVerify(function () { return view.planner.current; }, 10000);
                verify(!prompt.visible);
                verify(!item("convertButton").enabled);
                compare(item("reasonLabel").text, "None of the files will convert: each one says why.");
            } else if (data.button) {
                verify(view.convert());
                tryVerify(function () { return prompt.opened; });
                compare(findChild(prompt.contentItem, "folderPromptText").text,
                        folder + "/ is not there yet. Make it and convert into it?");
                compare(commandsSpy.count, 0);
                mouseClick(findChild(prompt.contentItem, data.button));
                tryVerify(function () { return !prompt.visible; });
            } else {
                verify(!view.convert());
                verify(!prompt.visible);
                compare(item("summaryLabel").text, data.message + folder);
            }
            compare(_data.commands.length, data.sent);
            compare(_data.rules.checkOutputFolder(folder).ok, data.sent === 1);
            compare(statuses(), inputs.map(function () { return data.sent === 1 ? "waiting" : ""; }));
        }

        // While a run goes the form stands still and Stop stays live; each
        // converted row then says what it got, whatever the form says since.
        function test_formLockedRowsSayWhatTheyGot() {
            fillForm();
            verify(view.convert());
            verify(!item("settingsColumn").enabled);
            verify(item("stopButton").enabled);
            verify(!item("ownStartField").enabled);
            _data.emitReady("/in/a.wav");
            _data.emitGain("/in/b.flac", -3.2, false);
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            verify(item("settingsColumn").enabled);
            view.rateText = "8000";
            var list = item("inputList");
            list.currentIndex = 0;
            compare(findChild(list.currentItem, "rowGot").text, "48 kHz mono 24-bit");
            list.currentIndex = 1;
            compare(findChild(list.currentItem, "rowGot").text, "48 kHz mono 24-bit, gain \u22123.2 dB");
        }

        // The selected row's start is its own and goes with the request for
        // that input alone; Apply to all makes it the form's, and it is not
        // remembered for the next session.
        function test_ownStarts() {
            fillForm();
            view.startText = "0.25";
            item("inputList").currentIndex = 1;
            var field = item("ownStartField");
            field.forceActiveFocus();
            field.text = "1.5";
            field.editingFinished();
            compare(view.batch.starts, ["", "1.5"]);
            verify(view.convert());
            compare(_data.options[0].start, "0.25");
            compare(_data.options[0].starts, ["", "1.5"]);
            _data.emitWait(false);
            click("applyStartButton");
            compare(view.startText, "1.5");
            compare(view.batch.starts, ["", ""]);
            verify(view.rememberedValues().start === undefined);
        }

        // Names that repeat follow the engine's rule, row by row: the form
        // stands, and the rows say which folder each is from.
        function test_repeatedNames() {
            fillForm();
            view.addPaths(["/other/a.wav"]);
            verify(view.plan.ok, view.plan.reason);
            var list = item("inputList");
            list.currentIndex = 2;
            compare(list.currentItem.shownName, "a.wav in other");
            list.currentIndex = 1;
            compare(list.currentItem.shownName, "b.flac");
        }

        // Outputs of more than 1 GiB in all are sent only once the person says so.
        function test_largeRequestAsksFirst() {
            fillForm();
            view.sizeUnit = 2;
            view.sizeText = "600";
            var prompt = item("largePrompt");
            verify(view.convert());
            tryVerify(function () { return prompt.opened; });
            compare(_data.commands.length, 0);
            // Enter cancels: a size in the wrong unit must not fill a disk.
            keyClick(Qt.Key_Return);
            tryVerify(function () { return !prompt.visible; });
            compare(_data.commands.length, 0);
            verify(view.convert());
            tryVerify(function () { return prompt.opened; });
            mouseClick(findChild(prompt.contentItem, "convertLargeButton"));
            compare(_data.commands.length, 1);
        }

        // Convert counts the rows that the plan converts.
        function test_convertCountsWhatConverts() {
            fillForm();
            view.addPaths([_fixtures + "/real/half.wav"]);
            tryVerify(function () { return view.planner.current; }, 10000);
            compare(item("convertButton").text, "Convert");
            view.removeAt(2);
            tryVerify(function () { return view.planner.current; }, 10000);
            verify(!item("convertButton").enabled);
            keyClick(Qt.Key_Return);
            compare(_data.commands.length, 0);
        }

        // The name of the control that holds the keyboard focus: the focus may
        // sit in a part of it, such as the text field of an editable box.
        function focusedControl() {
            for (var p = root.Window.activeFocusItem; p; p = p.parent) {
                if (p.objectName !== "")
                    return p;
            }
            return null;
        }

        function test_tabOrderAndNames() {
            fillForm();
            // Convert takes the focus only where the plan says something
            // converts: once it is in, not before, which a slow machine would
            // see change halfway round.
            view.addPaths([_fixtures + "/real/half.wav"]);
            tryVerify(function () { return view.planner.current; }, 10000);
            verify(item("convertButton").enabled);
            item("addFilesButton").forceActiveFocus();
            var order = [];
            for (var i = 0; i < 40; ++i) {
                var control = focusedControl();
                verify(control, "focus on an unnamed item after " + order.join(", "));
                if (order.length > 0 && control.objectName === order[0])
                    break;
                if (order[order.length - 1] !== control.objectName) {
                    order.push(control.objectName);
                    verify(control.Accessible.name !== "", control.objectName + " has no accessible name");
                }
                keyClick(Qt.Key_Tab);
            }
            compare(order, ["addFilesButton", "addFolderButton", "removeButton", "clearButton", "sortBox",
                            "inputList", "zoomSlotButton", "zoomWholeButton", "waveformBox", "playButton", "ownStartField", "presetButton", "rateBox", "channelsBox",
                            "bitsBox", "sizeRadio", "durationRadio", "sizeField", "unitBox",
                            "lowerSizeButton", "upperSizeButton", "padBox", "fadeField",
                            "startField", "soundFoldButton", "normalizeBox", "guardBox", "ditherBox", "qualityBox",
                            "trimBox", "folderField",
                            "chooseFolderButton", "suffixField", "jobsBox", "convertButton"]);
        }

        // At 960×640 and 800×600 no field of the form runs past its
        // column's right edge. (Its height depends on the font; the
        // screenshots show it whole at both sizes.)
        function test_formFits_data() {
            return [ { tag: "960×640", width: 960, height: 640 }, { tag: "800×600", width: 800, height: 600 } ];
        }
        function test_formFits(data) {
            fillForm();
            // A duration: no torn frame to warn about.
            view.durationMode = true;
            view.durationText = "2.5";
            view.width = data.width;
            view.height = data.height;
            var scroll = item("settingsScroll");
            for (var p = scroll; p; p = p.parent)
                waitForItemPolished(p);
            var names = ["presetButton", "rateBox", "bitsBox", "durationRadio", "unitBox", "startField", "targetField",
                         "trimField", "chooseFolderButton", "jobsBox"];
            for (var i = 0; i < names.length; ++i) {
                var c = item(names[i]);
                var right = c.mapToItem(scroll, c.width, 0).x;
                verify(right <= scroll.width, names[i] + " ends at " + right + " of " + scroll.width);
            }
        }

        // The selected row's highlight spans the list after the window is
        // resized, as before.
        function test_selectionSpansTheList() {
            fillForm();
            var list = item("inputList");
            list.currentIndex = 1;
            view.width = 1280;
            waitForItemPolished(list);
            var shade = list.highlightItem.children[0];
            compare(shade.width, list.width);
            view.width = 800;
            waitForItemPolished(list);
            compare(shade.width, list.width);
        }

        function test_smallestWindow() {
            fillForm();
            view.width = 720;
            view.height = 540;
            var scroll = item("settingsScroll");
            for (var p = scroll; p; p = p.parent)
                waitForItemPolished(p);
            // Everything outside the scrolled column stays in the window.
            // Remove and Clear list under "⋯", where the four buttons do not fit.
            verify(!item("clearButton").visible);
            var names = ["addFilesButton", "moreButton", "sortBox", "convertButton", "inputList", "waveformBox"];
            for (var i = 0; i < names.length; ++i) {
                var c = item(names[i]);
                var at = c.mapToItem(view, 0, 0);
                verify(at.x >= 0 && at.y >= 0 && at.x + c.width <= 720 && at.y + c.height <= 540,
                       names[i] + " lies outside 720×540 at " + at.x + "," + at.y);
            }
            // The add buttons say what they add, whole, at any width.
            var cut = Fit.whole([item("addFilesButton"), item("addFolderButton")]);
            verify(cut === "", cut);
            // The inputs' column ends before the settings begin.
            var folderButton = item("moreButton");
            verify(folderButton.mapToItem(view, folderButton.width, 0).x <= scroll.mapToItem(view, 0, 0).x,
                   "the inputs' buttons run into the settings");
            var flick = scroll.contentItem;
            verify(flick.contentHeight > flick.height, "the settings fit without scrolling; this test needs a taller form");
            compare(flick.contentY, 0);
            var fields = ["suffixField", "rateBox", "chooseFolderButton"];
            for (var j = 0; j < fields.length; ++j) {
                var field = item(fields[j]);
                field.forceActiveFocus();
                var y = field.mapToItem(scroll, 0, 0).y;
                verify(y >= 0 && y + field.height <= scroll.height, fields[j] + " is out of sight at " + y);
            }
            verify(flick.contentY > 0);
            var bar = scroll.ScrollBar.vertical;
            verify(bar.visible && bar.policy === ScrollBar.AlwaysOn, "nothing shows that the settings go on below");
        }
    }
}
