// The window's slot preview against a stand-in: what the view asks it to show
// and forget, and what a dragged start marker writes into the form.
import QtQuick 2.15
import QtTest 1.2
import "../../qml"

Item {
    id: root
    width: 960
    height: 640

    // Records what the view asks; answers as the real SlotPreview would.
    QtObject {
        id: standIn
        property var shown: []
        property var forgotten: []
        property var played: []
        property var asked: []
        property var slot: ({ ok: true, totalFrames: 4000, startFrame: 0, cutFrame: 4000,
                              fadeFrames: 0, padFrames: 0, rate: 8000, bytes: 8044 })
        property var overview: null
        property real overviewProgress: -1
        property string playState: "idle"
        property string playingInput: ""
        signal sgPlayFailed(string input, string reason)
        signal sgPlayEnded(string input)
        signal sgOverviewFailed(string input, string reason)
        function doShow(command, options, input) {
            shown = shown.concat([{ command: command, options: options, input: input }]);
        }
        function doForget(input) { forgotten = forgotten.concat([input]); }
        function doPlay(command, options, input) { played = played.concat([input]); }
        function doStop() {}
        // The exact time of the frame, as the engine writes it.
        function startText(frame, rate) {
            asked = asked.concat([[frame, rate]]);
            return String(frame / rate);
        }
        function reset() {
            slot = { ok: true, totalFrames: 4000, startFrame: 0, cutFrame: 4000,
                     fadeFrames: 0, padFrames: 0, rate: 8000, bytes: 8044 };
            shown = [];
            forgotten = [];
            played = [];
            asked = [];
        }
    }

    TestCase {
        id: testCase
        name: "Preview"
        when: windowShown

        property var view: null
        readonly property string first: _fixtures + "/real/half.wav"
        readonly property string second: _fixtures + "/mixed/m.wav"

        Component {
            id: viewComponent
            ConverterView {}
        }

        function init() {
            _data.reset();
            standIn.reset();
            view = createTemporaryObject(viewComponent, root,
                                         { width: 960, height: 640, preview: standIn });
            verify(view);
            view.suffixText = "_out";
            view.folderText = "";
            view.addPaths([first, second], []);
            waitForRendering(view);
        }

        function lastShown() {
            return standIn.shown.length > 0 ? standIn.shown[standIn.shown.length - 1] : null;
        }

        function isShown(path) {
            var last = lastShown();
            return last !== null && last.input === path && last.command === view.plan.command
                   && JSON.stringify(last.options) === JSON.stringify(view.form.options);
        }

        function test_selectionShowsItsInput() {
            verify(view.plan.ok, view.plan.reason);
            tryVerify(function () { return isShown(first); }, 5000, "the first row is shown");
            var list = findChild(view, "inputList");
            var row = list.itemAtIndex(1);
            verify(row);
            mouseClick(row, 20, row.height / 2);
            compare(list.currentIndex, 1);
            tryVerify(function () { return isShown(second); }, 5000, "the clicked row is shown");

            // The form's options go along, as they change.
            view.sizeText = "8044";
            view.fadeText = "20";
            tryVerify(function () {
                return isShown(second) && lastShown().options.fadeOutMs === view.form.options.fadeOutMs;
            }, 5000, "a changed form is shown again");
            verify(JSON.stringify(lastShown().options).indexOf("20") >= 0, JSON.stringify(lastShown().options));

            // Space in the list plays the selection.
            list.forceActiveFocus();
            keyClick(Qt.Key_Space);
            compare(standIn.played, [second]);

            view.removeAt(1);
            compare(standIn.forgotten, [second]);
        }

        function test_draggedStartSetsTheStartField() {
            var waveform = findChild(view, "waveform");
            verify(waveform);
            compare(waveform.rate, 8000);
            view.startText = "";
            waveform.startFrameDragged(1000);
            compare(standIn.asked, [[1000, 8000]]);
            // The selected row's own start; the form's stays for the others.
            compare(view.batch.rowAt(view.selectedIndex).start, "0.125");
            compare(view.startText, "");
        }

        // With the focus, the arrows move the start marker one frame, with
        // Shift 10 ms, never before the sound's start or past its end.
        function test_markerKeys_data() {
            return [
                { tag: "one frame on", from: 100, key: Qt.Key_Right, modifiers: Qt.NoModifier, frame: 101 },
                { tag: "one frame back", from: 100, key: Qt.Key_Left, modifiers: Qt.NoModifier, frame: 99 },
                { tag: "10 ms on", from: 100, key: Qt.Key_Right, modifiers: Qt.ShiftModifier, frame: 180 },
                { tag: "10 ms back, held at the start", from: 30, key: Qt.Key_Left, modifiers: Qt.ShiftModifier, frame: 0 },
                { tag: "held at the last frame", from: 3999, key: Qt.Key_Right, modifiers: Qt.NoModifier, frame: 3999 }
            ];
        }

        function test_markerKeys(data) {
            var slot = standIn.slot;
            slot.startFrame = data.from;
            standIn.slot = slot;
            var box = findChild(view, "waveformBox");
            box.forceActiveFocus();
            keyClick(data.key, data.modifiers);
            compare(standIn.asked, [[data.frame, 8000]]);
            compare(view.batch.rowAt(view.selectedIndex).start, String(data.frame / 8000));
        }

        // The field shows the start to the millisecond; the row keeps the
        // exact time of its frame until another is typed.
        function test_startShownToTheMillisecond() {
            var waveform = findChild(view, "waveform");
            var field = findChild(view, "ownStartField");
            waveform.startFrameDragged(7119);
            compare(field.text, "0.890");
            field.forceActiveFocus();
            field.editingFinished();
            compare(view.batch.rowAt(view.selectedIndex).start, "0.889875");
            field.text = "0.5";
            field.editingFinished();
            compare(view.batch.rowAt(view.selectedIndex).start, "0.5");
        }

        // The slot or the whole sound, by its buttons or, on the waveform, Plus and Minus.
        function test_zoom() {
            var waveform = findChild(view, "waveform");
            verify(!waveform.zoomToSlot);
            mouseClick(findChild(view, "zoomSlotButton"));
            verify(waveform.zoomToSlot);
            findChild(view, "waveformBox").forceActiveFocus();
            keyClick(Qt.Key_Minus);
            verify(!waveform.zoomToSlot);
            keyClick(Qt.Key_Plus);
            verify(waveform.zoomToSlot);
            verify(findChild(view, "zoomSlotButton").checked);
        }
    }
}
