// Slot presets: the engine's built-in ones put a form that converts, and the
// person's own are saved, renamed, deleted and kept across windows.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtTest 1.2
import "../../qml"

Item {
    id: root
    width: 960
    height: 640

    TestCase {
        id: testCase
        name: "Presets"
        when: windowShown

        property var view: null
        property var menu: null

        Component {
            id: viewComponent
            ConverterView {}
        }
        Component {
            id: menuComponent
            PresetMenu {}
        }

        function init() {
            _data.reset();
            view = createTemporaryObject(viewComponent, root, { width: 960, height: 640 });
            verify(view);
            menu = findChild(view, "presetButton");
            verify(menu);
            // Each test starts with none of its own.
            var mine = menu.own.map(function (p) { return p.name; });
            for (var i = 0; i < mine.length; ++i)
                menu.remove(mine[i]);
            view.addPaths(["/in/a.wav"]);
            view.folderText = "/out";
        }

        function test_builtInPresetsMakeAFormThatConverts() {
            verify(menu.builtIn.length >= 5);
            var names = {};
            for (var i = 0; i < menu.builtIn.length; ++i) {
                var preset = menu.builtIn[i];
                verify(!names[preset.name], "two presets named " + preset.name);
                names[preset.name] = true;
                view.rateText = "11025";
                view.durationMode = !preset.durationMode;
                menu.chosen(preset);
                compare(view.rateText, String(preset.rate), preset.name);
                compare(view.channelsText, String(preset.channels), preset.name);
                compare(view.bits, preset.bits, preset.name);
                compare(view.durationMode, preset.durationMode, preset.name);
                compare(view.suffixText, preset.suffix, preset.name);
                compare(view.padChecked, preset.pad, preset.name);
                // The folder is the person's, not the preset's.
                compare(view.folderText, "/out");
                tryVerify(function () { return view.plan.ok; }, 2000, preset.name + ": " + view.plan.reason);
                verify(view.plan.command.indexOf("," + preset.rate + "," + preset.channels + ","
                                                 + preset.bits + ",") > 0, view.plan.command);
            }
        }

        function test_ownPresetsAreKeptRenamedAndDeleted() {
            view.rateText = "32000";
            view.channelsText = "2";
            view.durationMode = false;
            view.sizeText = "64044";
            view.suffixText = "_mine";
            view.form.dither = true;
            compare(menu.save("  Pad A1  "), "");
            compare(menu.own.length, 1);
            compare(menu.own[0].name, "Pad A1");
            verify(menu.save("Pad A1") !== "", "a second preset took a name in use");
            verify(menu.save(menu.builtIn[0].name) !== "", "a preset took a built-in name");
            verify(menu.save("   ") !== "", "a preset was saved without a name");

            // Another window finds it in the settings, with its sound and
            // without the folder, which is the person's.
            var other = createTemporaryObject(menuComponent, root);
            compare(other.own.length, 1);
            compare(other.own[0].name, "Pad A1");
            compare(other.own[0].dither, true);
            compare(other.own[0].folder, undefined);

            verify(menu.rename("Pad A1", menu.builtIn[1].name) !== "");
            compare(menu.rename("Pad A1", "Pad B2"), "");
            compare(menu.own[0].name, "Pad B2");

            view.rateText = "8000";
            view.sizeText = "1000";
            view.suffixText = "_other";
            view.form.dither = false;
            menu.chosen(menu.own[0]);
            verify(view.form.dither, "the preset's dither was not put back");
            compare(view.rateText, "32000");
            compare(view.channelsText, "2");
            compare(view.sizeText, "64044");
            compare(view.suffixText, "_mine");

            menu.remove("Pad B2");
            compare(menu.own.length, 0);
            var later = createTemporaryObject(menuComponent, root);
            compare(later.own.length, 0);
        }

        SignalSpy { id: chosenSpy; signalName: "chosen" }

        // The menu goes by keys alone: Up and Down (and Tab) move, Return or
        // Enter applies, Escape closes; the focus stays in it while it is
        // open and comes back to the button.
        function test_keys_data() {
            return [
                { tag: "Return applies the first", keys: [Qt.Key_Return], chosen: 0 },
                { tag: "Down and Enter apply the second", keys: [Qt.Key_Down, Qt.Key_Enter], chosen: 1 },
                { tag: "Tab moves as Down does", keys: [Qt.Key_Tab, Qt.Key_Tab, Qt.Key_Return], chosen: 2 },
                { tag: "Down, Up and Return apply the first", keys: [Qt.Key_Down, Qt.Key_Up, Qt.Key_Return], chosen: 0 },
                { tag: "Escape applies nothing", keys: [Qt.Key_Down, Qt.Key_Escape], chosen: -1 },
                // With none of one's own to rename, Up from the top passes that entry.
                { tag: "Up wraps to saving", keys: [Qt.Key_Up, Qt.Key_Return, Qt.Key_Escape], chosen: -1 },
            ];
        }
        function test_keys(data) {
            chosenSpy.target = menu;
            chosenSpy.clear();
            var convertsBefore = _data.commands.length;
            menu.forceActiveFocus(Qt.TabFocusReason);
            keyClick(Qt.Key_Space);
            tryVerify(function () { return menu.menuOpen; });
            for (var i = 0; i < data.keys.length; ++i) {
                verify(menu.menuOpen, "closed before key " + i);
                // Until an entry is applied (Saving opens its dialog).
                var inside = root.Window.activeFocusItem;
                if (i === 0 || data.keys[i - 1] !== Qt.Key_Return)
                    compare(inside ? inside.objectName : "", "presetMenuEntries", "the focus left the menu");
                keyClick(data.keys[i]);
            }
            tryVerify(function () { return !menu.menuOpen; });
            compare(chosenSpy.count, data.chosen < 0 ? 0 : 1);
            if (data.chosen >= 0)
                compare(chosenSpy.signalArguments[0][0].name, menu.builtIn[data.chosen].name);
            tryVerify(function () { return menu.activeFocus; }, 1000, "the focus did not come back to Presets");
            // Return in the menu is the menu's, not the window's Convert.
            compare(_data.commands.length, convertsBefore);
        }
    }
}
