// The window's words and numbers in German: the translations the build makes
// and the locale's grouping and decimal comma, shown and typed. Run by
// tst_window_german alone: its name keeps it out of tst_window_qml's tst_*.qml.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.2
import Sabletide.Window 1.0
import "../../qml"
import "../../qml/Words.js" as Words
import "Fit.js" as Fit

Item {
    id: root
    width: 960
    height: 640

    // The slot preview as the window sees it: the engine writes a dragged
    // start with a decimal point.
    QtObject {
        id: previewStandIn
        property var slot: ({ ok: true, totalFrames: 16000, startFrame: 0, cutFrame: 16000,
                              fadeFrames: 0, padFrames: 0, rate: 8000, bytes: 32044 })
        property var overview: null
        property real overviewProgress: -1
        property string playState: "idle"
        signal sgPlayFailed(string input, string reason)
        signal sgOverviewFailed(string input, string reason)
        function doShow(command, options, input) {}
        function doForget(input) {}
        function doPlay(command, options, input) {}
        function doStop() {}
        function startText(frame, rate) { return String(frame / rate); }
    }

    // The font of a desktop that names none, as the screenshots have it,
    // rather than the offscreen platform's larger one.
    Control {
        id: desktopFont
        width: 960
        height: 640
        font.family: "Sans Serif"
        font.pointSize: 9
    }

    TestCase {
        name: "German"
        when: windowShown

        Component { id: formComponent; Form {} }
        Component { id: promptComponent; ExistingPrompt {} }
        Component { id: slotComponent; SlotOptionsForm {} }
        Component { id: viewComponent; ConverterView {} }

        function test_words_data() {
            var cut = { status: "convert", bytesExact: true, bytes: 80044, startFrame: 0, cutFrame: 72000,
                        cutSeconds: 1.5, fadeFrames: 960, fadeSeconds: 0.02, padBytes: 0, shortBy: 0 };
            // An MP3's length is a guess: its size too.
            var estimated = { status: "convert", bytesExact: false, bytes: 1649560, startFrame: 0,
                              cutFrame: 0, fadeFrames: 0, padBytes: 0, shortBy: 0,
                              facts: { framesEstimated: true } };
            return [
                { tag: "exact size", text: Words.bytesText(80044), want: "80.044 Bytes" },
                { tag: "rounded size", text: Words.friendlyBytes(80044), want: "78,2 KiB" },
                { tag: "rate", text: Words.rateName(44100), want: "44,1 kHz" },
                { tag: "length", text: Words.lengthName(185.5), want: "3 min 5,5 s" },
                { tag: "plan", text: Words.plannedText(cut),
                  want: "80.044 Bytes \u2014 schneidet bei 1,5 s ab, blendet 20 ms aus" },
                { tag: "estimated size", text: Words.plannedText(estimated),
                  want: "etwa 1.649.560 Bytes (die Datei gibt ihre L\u00e4nge nur gesch\u00e4tzt an)" },
                { tag: "summary", text: Words.summaryText(1234, 0, 2, 0), want: "1.234 umgewandelt, 2 fehlgeschlagen" }
            ];
        }

        function test_words(data) {
            compare(data.text, data.want);
        }

        function test_prompts() {
            var prompt = createTemporaryObject(promptComponent, root);
            prompt.ask("$DoConvert", ["/o/a.wav", "/o/b.wav"], "/o/", "skip");
            compare(prompt.title, "2 zu schreibende Dateien gibt es schon");
            compare(findChild(prompt.contentItem, "existingText").text,
                    "Das Umwandeln würde a.wav und b.wav in /o/ überschreiben.");
            compare(findChild(prompt.contentItem, "skipButton").text, "Überspringen");
            prompt.close();
            var slot = createTemporaryObject(slotComponent, root,
                                             { form: createTemporaryObject(formComponent, root) });
            compare(findChild(slot, "padBox").text, "Mit Stille bis zur genauen Größe auffüllen");
        }

        // Typed the German way, read the engine's way: the command holds no grouping and a point.
        function test_typedNumbers_data() {
            return [
                { tag: "grouped bytes", form: { sizeText: "80.044" }, size: 80044 },
                { tag: "KiB with the decimal comma", form: { sizeText: "1,5", sizeUnit: 1 }, size: 1536 },
                { tag: "a point that cannot group", form: { sizeText: "1.5", sizeUnit: 1 }, size: 1536 },
                { tag: "duration", form: { durationMode: true, durationText: "0,5" }, size: 72044 },
                { tag: "start in minutes", form: { startText: "0:01,250" }, size: 65580, start: "0:01.250" },
                { tag: "grouped rate and fade", form: { rateText: "48.000", fadeText: "1.000" }, size: 65580,
                  fade: 1000 }
            ];
        }

        function test_typedNumbers(data) {
            var f = { rateText: "48000", channelsText: "1", bits: 24, sizeText: "65580", sizeUnit: 0,
                      folderText: "/o/", suffix: "_x", inputs: ["/in/a.wav"] };
            for (var k in data.form)
                f[k] = data.form[k];
            var form = createTemporaryObject(formComponent, root, f);
            compare(form.plan.reason, "");
            compare(form.plan.command, "$DoConvert,48000,1,24," + data.size + ",/o/,_x,/in/a.wav");
            compare(form.options.start, data.start || "");
            compare(form.options.fadeOutMs, data.fade || 0);
        }

        // The form object's own words, from its German catalogue.
        function test_formWords_data() {
            var inputs = [];
            for (var i = 0; i < 45; ++i)
                inputs.push("/in/" + i + ".wav");
            return [
                { tag: "size info", form: { sizeText: "72.044" }, property: "sizeInfo",
                  want: "Fasst 0,500 s Ton (24.000 Frames)." },
                { tag: "a large request", form: { sizeText: "64", sizeUnit: 2, inputs: inputs },
                  property: "largeText", want: "45 Dateien zu je 64,0 MiB: insgesamt 2,81 GiB." },
                { tag: "no rate", form: { rateText: "" }, property: "plan",
                  want: "Eine Abtastrate eingeben, etwa 48000." }
            ];
        }

        function test_formWords(data) {
            var f = { rateText: "48000", channelsText: "1", bits: 24, folderText: "/o/", inputs: ["/in/a.wav"] };
            for (var k in data.form)
                f[k] = data.form[k];
            var form = createTemporaryObject(formComponent, root, f);
            var shown = form[data.property];
            compare(data.property === "plan" ? shown.reason : shown, data.want);
        }

        // The German words beside each other in the left column: whole at
        // 800×600; at the smallest size cut only where a wider window shows
        // them (the add buttons say only what they add), and never one over
        // another.
        function test_narrowWindow_data() {
            return [ { tag: "800×600", width: 800, height: 600, whole: true },
                     { tag: "720×540", width: 720, height: 540, whole: false } ];
        }
        function test_narrowWindow(data) {
            _data.reset();
            var view = createTemporaryObject(viewComponent, desktopFont,
                                             { width: data.width, height: data.height, preview: previewStandIn });
            var path = "/in/Durchsage Bahnsteig 3.flac";
            view.addPaths([path, "/in/b.wav"], []);
            // No command, so that no plan replaces the facts given here.
            view.rateText = "";
            view.batch.setPlans([{ input: path, status: "convert",
                                   facts: { opened: true, format: "flac", sampleRate: 44100, channels: 2,
                                            frames: 132300, seconds: 3 } }]);
            view.batch.setStart(0, "1.5");
            var names = ["addFilesButton", "addFolderButton", "removeButton", "clearButton", "moreButton",
                         "listHeading", "sortBox", "slotName", "slotFacts", "zoomSlotButton", "zoomWholeButton",
                         "playButton", "ownStartLabel", "ownStartField", "applyStartButton"];
            var c = {};
            for (var i = 0; i < names.length; ++i) {
                c[names[i]] = findChild(view, names[i]);
                verify(c[names[i]], "no " + names[i]);
                for (var p = c[names[i]].parent; p; p = p.parent)
                    waitForItemPolished(p);
            }
            verify(c.slotFacts.text.indexOf("FLAC") === 0, c.slotFacts.text);
            var column = findChild(view, "leftSplit");
            var rows = [["addFilesButton", "addFolderButton", "removeButton", "clearButton", "moreButton"],
                        ["listHeading", "sortBox"],
                        ["slotName", "slotFacts", "zoomSlotButton", "zoomWholeButton"],
                        ["playButton", "ownStartLabel", "ownStartField", "applyStartButton"]];
            for (var r = 0; r < rows.length; ++r) {
                var items = rows[r].map(function (n) { return c[n]; });
                var problem = Fit.sideBySide(items, column);
                verify(problem === "", problem);
            }
            // The name and the facts may give way to a file's long name: the
            // list's row and its tooltip say them whole.
            var whole = data.whole ? ["addFilesButton", "addFolderButton", "listHeading", "zoomSlotButton",
                                      "zoomWholeButton", "playButton", "ownStartLabel", "applyStartButton"]
                                   : ["addFilesButton", "addFolderButton", "zoomSlotButton", "zoomWholeButton",
                                      "playButton"];
            var cut = Fit.whole(whole.map(function (n) { return c[n]; }));
            verify(cut === "", cut);
        }

        // The whole window in German, a run with one failure, and a start
        // dragged on the waveform that reads back as the same time.
        function test_window() {
            _data.reset();
            var view = createTemporaryObject(viewComponent, root,
                                             { width: 960, height: 640, preview: previewStandIn });
            waitForRendering(view);
            var heading = findChild(view, "listHeading");
            var button = findChild(view, "convertButton");
            compare(heading.text, "Dateien");
            compare(findChild(view, "reasonLabel").text, "Die umzuwandelnden Audiodateien hinzufügen.");

            compare(view.addPaths(["/in/a.wav", "/in/b.flac"], []), 2);
            view.rateText = "48.000";
            view.channelsText = "1";
            view.bitsIndex = 2;
            view.sizeText = "72.044";
            view.folderText = _outputFolder;
            view.suffixText = "_x";
            compare(heading.text, "Dateien (2)");
            compare(findChild(view, "sizeInfo").text, "Fasst 0,500 s Ton (24.000 Frames).");
            // The field's words around the engine's own reason, from the engine's catalogue.
            view.sizeText = "viel";
            compare(findChild(view, "sizeNote").text, "Die Größe beginnt nicht mit einer Zahl.");
            view.sizeText = "72.044";
            compare(button.text, "2 Dateien umwandeln");

            var waveform = findChild(view, "waveform");
            waveform.startFrameDragged(9000);
            // The selected row's own start: the engine's text, shown the German way.
            compare(view.batch.rowAt(0).start, "1.125");
            compare(findChild(view, "ownStartField").text, "1,125");
            view.batch.clearStarts();

            verify(view.convert());
            compare(_data.commands, ["$DoConvert,48000,1,24,72044," + _outputFolder + "/,_x,/in/a.wav,/in/b.flac"]);
            _data.emitReady("/in/a.wav");
            _data.emitFailed("/in/b.flac", "kaputt");
            _data.emitWait(false);
            compare(findChild(view, "summaryLabel").text, "Fertig: 1 umgewandelt, 1 fehlgeschlagen");
        }
    }
}
