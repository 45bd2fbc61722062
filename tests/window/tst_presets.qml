// Slot presets: the engine's built-in ones put a form that converts, and the
// person's own are saved, renamed, deleted and kept across windows.
import QtQuick 2.15
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
            compare(menu.save("  Pad A1  "), "");
            compare(menu.own.length, 1);
            compare(menu.own[0].name, "Pad A1");
            verify(menu.save("Pad A1") !== "", "a second preset took a name in use");
            verify(menu.save(menu.builtIn[0].name) !== "", "a preset took a built-in name");
            verify(menu.save("   ") !== "", "a preset was saved without a name");

            // Another window finds it in the settings.
            var other = createTemporaryObject(menuComponent, root);
            compare(other.own.length, 1);
            compare(other.own[0].name, "Pad A1");

            verify(menu.rename("Pad A1", menu.builtIn[1].name) !== "");
            compare(menu.rename("Pad A1", "Pad B2"), "");
            compare(menu.own[0].name, "Pad B2");

            view.rateText = "8000";
            view.sizeText = "1000";
            view.suffixText = "_other";
            menu.chosen(menu.own[0]);
            compare(view.rateText, "32000");
            compare(view.channelsText, "2");
            compare(view.sizeText, "64044");
            compare(view.suffixText, "_mine");

            menu.remove("Pad B2");
            compare(menu.own.length, 0);
            var later = createTemporaryObject(menuComponent, root);
            compare(later.own.length, 0);
        }
    }
}
