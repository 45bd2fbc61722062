// The window's content against a stand-in bridge: what it sends, how it
// follows sgWait, sgResampReady and sgResampFailed, and how it takes inputs.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.2
import QtQuick.Controls 2.15
import "../../qml"
import "../../qml/Logic.js" as Logic

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
            for (var i = 0; i < view.inputs.count; ++i)
                list.push(view.inputs.get(i).status);
            return list;
        }

        // A form that converts /in/a.wav and /in/b.flac to 48 kHz mono 24-bit.
        function fillForm() {
            compare(view.addPaths(["/in/a.wav", "/in/b.flac"]), 2);
            view.rateText = "48000";
            view.channelsText = "1";
            view.bitsIndex = 2;
            view.durationMode = false;
            view.sizeUnit = 0;
            view.sizeText = "65580";
            view.folderText = "/out";
            view.suffixText = "_48k";
        }

        readonly property string expectedCommand: "$DoConvert,48000,1,24,65580,/out/,_48k,/in/a.wav,/in/b.flac"

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
            compare(statuses(), ["converting", "waiting"]);
            compare(item("summaryLabel").text, "Converting… 0 of 2 done");

            _data.emitReady("/in/a.wav");
            compare(statuses(), ["converted", "converting"]);
            compare(view.inputs.get(0).output, "/out/a_48k.wav");
            compare(item("summaryLabel").text, "Converting… 1 of 2 done");

            _data.emitFailed("/in/b.flac", "cannot read: permission denied");
            compare(statuses(), ["converted", "failed"]);
            compare(view.inputs.get(1).reason, "cannot read: permission denied");
            verify(busyIndicator.running);

            _data.emitWait(false);
            verify(!view.busy);
            verify(!busyIndicator.running);
            verify(addButton.enabled);
            verify(item("convertButton").enabled);
            compare(item("summaryLabel").text, "1 converted, 1 failed");
            compare(commandsSpy.count, 1);
        }

        function test_rowShowsItsFate() {
            fillForm();
            view.convert();
            _data.emitFailed("/in/a.wav", "not an audio file libsox can read");
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            var list = item("inputList");
            list.currentIndex = 0;
            var first = findChild(list.currentItem, "rowStatus");
            compare(first.text, "Failed: not an audio file libsox can read");
            list.currentIndex = 1;
            compare(findChild(list.currentItem, "rowStatus").text, "Converted to b_48k.wav");
        }

        // The real controller answers inside doConvert; a slower one must not
        // leave a gap in which a second command could be sent.
        function test_busyBeforeTheBridgeAnswers() {
            fillForm();
            _data.answersWait = false;
            verify(view.convert());
            verify(!view.busy);
            verify(!item("convertButton").enabled);
            verify(!view.convert());
            _data.emitWait(true);
            _data.emitReady("/in/a.wav");
            _data.emitReady("/in/b.flac");
            _data.emitWait(false);
            compare(statuses(), ["converted", "converted"]);
            compare(item("summaryLabel").text, "2 converted");
            compare(commandsSpy.count, 1);
        }

        function test_refusedCommand() {
            fillForm();
            view.convert();
            _data.emitFailed("", "position 1 (sample rate) must be from 1 to 768000, not 0");
            _data.emitWait(false);
            compare(statuses(), ["failed", "failed"]);
            compare(view.inputs.get(0).reason, "position 1 (sample rate) must be from 1 to 768000, not 0");
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
            compare(view.inputs.get(1).reason, "no result came back for this file.");
            compare(view.summary, "1 converted, 1 failed");
        }

        function test_newsWithoutARequestIsIgnored() {
            fillForm();
            _data.emitReady("/in/a.wav");
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
            compare(statuses(), ["converting", "waiting"]);
            compare(view.inputs.get(1).reason, "");
            compare(_data.commands, [expectedCommand, expectedCommand]);
        }

        function test_fieldSaysWhy_data() {
            return [
                { tag: "rate 0", field: "rateText", value: "0", note: "rateNote", reason: "from 1 to 768,000 Hz" },
                { tag: "rate in words", field: "rateText", value: "fast", note: "rateNote", reason: "whole number of hertz" },
                { tag: "channels 0", field: "channelsText", value: "0", note: "channelsNote", reason: "from 1 to 255" },
                { tag: "channels empty", field: "channelsText", value: "", note: "channelsNote", reason: "Type a channel count" },
                { tag: "size too small", field: "sizeText", value: "45", note: "sizeNote", reason: "Too small" },
                { tag: "size in words", field: "sizeText", value: "lots", note: "sizeNote", reason: "whole number" }
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
                { tag: "written over itself", field: "suffixText", value: "", reason: "a.wav would be written over itself" }
            ];
        }

        function test_outputSettingsSayWhy(data) {
            fillForm();
            view.folderText = "/in/";
            view[data.field] = data.value;
            verify(!item("convertButton").enabled);
            verify(item("reasonLabel").text.indexOf(data.reason) >= 0, item("reasonLabel").text);
        }

        function test_commaRefusedAtTheDoor() {
            compare(view.addPaths(["/in/a,b.wav", "/in/c.wav"]), 1);
            compare(view.inputs.count, 1);
            compare(view.inputs.get(0).path, "/in/c.wav");
            var notice = item("noticeLabel");
            verify(notice.visible);
            verify(notice.text.indexOf("/in/a,b.wav") >= 0, notice.text);
            verify(notice.text.indexOf("comma") >= 0, notice.text);
        }

        function test_duplicatesAddedOnce() {
            compare(view.addPaths(["/in/a.wav", "/in/a.wav"]), 1);
            compare(view.addPaths(["/in/a.wav", "/in/b.wav"]), 1);
            compare(view.inputs.count, 2);
        }

        function test_removeAndClear() {
            view.addPaths(["/in/a.wav", "/in/b.wav", "/in/c.wav"]);
            var list = item("inputList");
            verify(!item("removeButton").enabled);
            list.currentIndex = 1;
            click("removeButton");
            compare(view.inputs.count, 2);
            compare(view.inputs.get(1).path, "/in/c.wav");
            list.forceActiveFocus();
            list.currentIndex = 0;
            keyClick(Qt.Key_Delete);
            compare(view.inputs.count, 1);
            compare(view.inputs.get(0).path, "/in/c.wav");
            click("clearButton");
            compare(view.inputs.count, 0);
            verify(!item("clearButton").enabled);
        }

        function test_dropFoldersAndFiles() {
            var base = _fixtures;
            view.addUrls([Logic.pathToUrl(base + "/songs"), Logic.pathToUrl(base + "/loose.aiff"),
                          Logic.pathToUrl(base + "/empty"), Logic.pathToUrl(base + "/with,comma"),
                          Logic.pathToUrl(base + "/README"), "https://example.org/a.wav"]);
            tryCompare(view.inputs, "count", 5);
            // Let a late folder listing show itself, if there were one.
            wait(100);
            var paths = [];
            for (var i = 0; i < view.inputs.count; ++i)
                paths.push(view.inputs.get(i).path.slice(base.length));
            // Only the audio files directly inside, in name order; then each
            // file as it was dropped, whatever its name.
            compare(paths, ["/songs/a.wav", "/songs/b.FLAC", "/songs/c.ogg", "/loose.aiff", "/README"]);
            var notice = item("noticeLabel").text;
            verify(notice.indexOf("x,y.wav") >= 0, notice);
            verify(notice.indexOf("with,comma/e.wav") >= 0, notice);
            verify(notice.indexOf("https://example.org/a.wav") >= 0, notice);
            verify(notice.indexOf("No audio files found directly inside " + base + "/empty") >= 0, notice);
            verify(notice.indexOf("notes.txt") < 0, notice);
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

        function test_otherView_data() {
            return [
                { tag: "size shows its sound", duration: false, size: "176444", unit: 0,
                  info: "Holds 1.000 s of sound (44,100 frames)." },
                { tag: "KiB shows bytes too", duration: false, size: "1", unit: 1,
                  info: "= 1,024 bytes. Holds 0.006 s of sound (245 frames)." },
                { tag: "duration shows its bytes", duration: true, seconds: "1",
                  info: "Each file will be exactly 176,444 bytes (172.3 KiB): 44,100 frames." },
                { tag: "zero keeps all", duration: false, size: "0", unit: 2,
                  info: "0 keeps the whole converted sound, however long it is." }
            ];
        }

        function test_otherView(data) {
            view.rateText = "44100";
            view.channelsText = "2";
            view.bitsIndex = 1;
            view.durationMode = data.duration;
            if (data.duration) {
                view.durationText = data.seconds;
            } else {
                view.sizeUnit = data.unit;
                view.sizeText = data.size;
            }
            compare(item("sizeInfo").text, data.info);
        }

        function test_durationGoesIntoTheCommand() {
            fillForm();
            view.durationMode = true;
            view.durationText = "0.5";
            verify(view.convert());
            compare(_data.commands, ["$DoConvert,48000,1,24," + (44 + 24000 * 3) + ",/out/,_48k,/in/a.wav,/in/b.flac"]);
        }

        function test_defaultFolderAndPreview() {
            view.addPaths(["/music/in/take1.WAV", "/other/b.flac"]);
            view.folderText = "";
            view.suffixText = "_x";
            compare(item("previewLabel").text, "The first file will be saved as /music/in/take1_x.wav");
            verify(view.convert());
            var parts = _data.commands[0].split(",");
            compare(parts[5], "/music/in/");
            compare(parts[6], "_x");
            compare(parts.slice(7), ["/music/in/take1.WAV", "/other/b.flac"]);
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
            compare(order, ["addFilesButton", "inputList", "clearButton", "rateBox", "channelsBox",
                            "bitsBox", "sizeRadio", "durationRadio", "sizeField", "unitBox",
                            "lowerSizeButton", "upperSizeButton", "folderField",
                            "chooseFolderButton", "suffixField", "convertButton"]);
        }

        function test_smallestWindow() {
            fillForm();
            view.width = 640;
            view.height = 480;
            var scroll = item("settingsScroll");
            for (var p = scroll; p; p = p.parent)
                waitForItemPolished(p);
            // Everything outside the scrolled column stays in the window.
            var names = ["addFilesButton", "clearButton", "convertButton", "inputList"];
            for (var i = 0; i < names.length; ++i) {
                var c = item(names[i]);
                var at = c.mapToItem(view, 0, 0);
                verify(at.x >= 0 && at.y >= 0 && at.x + c.width <= 640 && at.y + c.height <= 480,
                       names[i] + " lies outside 640×480 at " + at.x + "," + at.y);
            }
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
