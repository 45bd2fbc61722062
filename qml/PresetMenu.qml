// The slot presets: the engine's built-in ones and the person's own, which
// the engine keeps with the window's settings (sabletide-cli reads them). Choosing one hands its values to the
// form; the form decides what to do with them.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

Button {
    id: presetButton
    readonly property Theme theme: Theme {}
    objectName: "presetButton"
    text: qsTr("Presets \u25be")
    Accessible.name: qsTr("Slot presets")

    // Returns the form's values as a preset keeps them: rate, channels, bits,
    // durationMode, size, sizeUnit, duration, suffix, pad, fadeOutMs.
    property var currentValues: function () { return ({}); }

    readonly property var builtIn: _data.rules.presets
    // The person's own presets, in the order they were saved.
    property var own: []

    // A preset was chosen: its values, by the names currentValues gives.
    signal chosen(var preset)

    // Why `name` cannot name a preset of one's own ("" when it can); `except`
    // is the preset being renamed, which may keep its name.
    function nameProblem(name, except) {
        var n = String(name).trim();
        if (n === "")
            return qsTr("Give the preset a name.");
        for (var i = 0; i < builtIn.length; ++i) {
            if (builtIn[i].name === n)
                return qsTr("A built-in preset has that name.");
        }
        for (var j = 0; j < own.length; ++j) {
            if (own[j].name === n && n !== except)
                return qsTr("You have a preset of that name.");
        }
        return "";
    }

    // Keeps the form as it stands under `name`. Returns "" or why not.
    function save(name) {
        var problem = nameProblem(name, "");
        if (problem !== "")
            return problem;
        // The engine keeps what a preset stands for out of the form's values.
        var preset = currentValues();
        preset.name = String(name).trim();
        own = own.concat([preset]);
        persist();
        load();
        return "";
    }

    function rename(oldName, newName) {
        var problem = nameProblem(newName, oldName);
        if (problem !== "")
            return problem;
        own = own.map(function (p) {
            if (p.name !== oldName)
                return p;
            var renamed = Object.assign({}, p);
            renamed.name = String(newName).trim();
            return renamed;
        });
        persist();
        return "";
    }

    function remove(name) {
        own = own.filter(function (p) { return p.name !== name; });
        persist();
    }

    function load() {
        own = _data.rules.ownPresets();
    }

    function persist() {
        _data.rules.keepOwnPresets(own);
    }

    // The menu or one of its dialogs is open: the window's own keys wait.
    readonly property bool menuOpen: menu.visible || saveDialog.visible || manageDialog.visible

    Component.onCompleted: load()
    onClicked: menu.open()

    // Driven by keys as by the mouse: Up and Down (or Tab) move, Return,
    // Enter or Space applies, Escape closes; the focus stays in the menu
    // while it is open and comes back to the button after.
    Popup {
        id: menu
        objectName: "presetMenu"
        // Opens below the button, right edges aligned, and stays in the window.
        x: presetButton.width - width
        y: presetButton.height
        margins: 8
        padding: 4
        focus: true
        width: Math.max(presetButton.width, menuColumn.implicitWidth + 2 * padding)

        readonly property var presets: presetButton.builtIn.concat(presetButton.own)
        // The entries in order: the presets, then saving and managing them.
        readonly property int count: presets.length + 2
        // The entry that keys move and Return applies.
        property int current: 0
        onAboutToShow: current = 0
        onClosed: if (!saveDialog.visible && !manageDialog.visible) presetButton.forceActiveFocus()

        function usable(i) { return i !== count - 1 || presetButton.own.length > 0; }
        function step(by) {
            var i = current;
            do
                i = (i + by + count) % count;
            while (!usable(i));
            current = i;
        }
        function trigger(i) {
            if (!usable(i))
                return;
            menu.close();
            if (i < presets.length) {
                presetButton.chosen(presets[i]);
            } else if (i === presets.length) {
                nameField.text = "";
                saveDialog.open();
            } else {
                manageDialog.open();
            }
        }

        ColumnLayout {
            id: menuColumn
            objectName: "presetMenuEntries"
            width: parent.width
            spacing: 0
            focus: true
            Keys.onPressed: {
                switch (event.key) {
                case Qt.Key_Down: case Qt.Key_Tab: menu.step(1); break;
                case Qt.Key_Up: case Qt.Key_Backtab: menu.step(-1); break;
                case Qt.Key_Home: menu.current = 0; break;
                case Qt.Key_End: menu.current = menu.count - 1; menu.step(-1); menu.step(1); break;
                case Qt.Key_Return: case Qt.Key_Enter: case Qt.Key_Space: menu.trigger(menu.current); break;
                case Qt.Key_Escape: menu.close(); break;
                default: return;
                }
                event.accepted = true;
            }
            // Return and Enter apply the entry here, not the window's Convert.
            Keys.onShortcutOverride: event.accepted = event.key === Qt.Key_Return || event.key === Qt.Key_Enter

            Repeater {
                model: menu.presets
                delegate: ItemDelegate {
                    Layout.fillWidth: true
                    focusPolicy: Qt.NoFocus
                    text: modelData.name
                    font.italic: index >= presetButton.builtIn.length
                    highlighted: menu.current === index
                    onHoveredChanged: if (hovered) menu.current = index
                    onClicked: menu.trigger(index)
                }
            }
            MenuSeparator { Layout.fillWidth: true }
            ItemDelegate {
                Layout.fillWidth: true
                focusPolicy: Qt.NoFocus
                text: qsTr("Save current settings as a preset\u2026")
                highlighted: menu.current === menu.presets.length
                onHoveredChanged: if (hovered) menu.current = menu.presets.length
                onClicked: menu.trigger(menu.presets.length)
            }
            ItemDelegate {
                Layout.fillWidth: true
                focusPolicy: Qt.NoFocus
                text: qsTr("Rename or delete your presets\u2026")
                enabled: presetButton.own.length > 0
                highlighted: menu.current === menu.count - 1
                onHoveredChanged: if (hovered) menu.current = menu.count - 1
                onClicked: menu.trigger(menu.count - 1)
            }
        }
    }

    Dialog {
        id: saveDialog
        objectName: "presetSaveDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: qsTr("Save as a preset")
        standardButtons: Dialog.Save | Dialog.Cancel
        onAboutToShow: nameField.forceActiveFocus()
        onClosed: presetButton.forceActiveFocus()

        ColumnLayout {
            anchors.fill: parent
            TextField {
                id: nameField
                Layout.preferredWidth: 320
                placeholderText: qsTr("Name, such as the device and its slot")
                placeholderTextColor: presetButton.theme.listHint
                onAccepted: saveDialog.accept()
            }
            Label {
                Layout.fillWidth: true
                visible: text !== ""
                color: presetButton.theme.fail
                wrapMode: Text.Wrap
                text: saveDialog.visible && nameField.text !== ""
                      ? presetButton.nameProblem(nameField.text, "") : ""
            }
        }
        onAccepted: {
            if (presetButton.save(nameField.text) !== "")
                open(); // keep asking until the name is free, or Cancel
        }
    }

    Dialog {
        id: manageDialog
        objectName: "presetManageDialog"
        parent: Overlay.overlay
        anchors.centerIn: parent
        modal: true
        title: qsTr("Your presets")
        standardButtons: Dialog.Close
        onClosed: presetButton.forceActiveFocus()

        ColumnLayout {
            anchors.fill: parent
            Label {
                visible: presetButton.own.length === 0
                text: qsTr("You have no presets of your own.")
            }
            Repeater {
                model: presetButton.own
                delegate: RowLayout {
                    TextField {
                        id: renameField
                        Layout.preferredWidth: 260
                        text: modelData.name
                        readonly property string problem: presetButton.nameProblem(text, modelData.name)
                        color: problem === "" ? palette.text : presetButton.theme.fail
                        ToolTip.visible: activeFocus && problem !== ""
                        ToolTip.text: problem
                        onEditingFinished: {
                            if (text !== modelData.name && problem === "")
                                presetButton.rename(modelData.name, text);
                        }
                    }
                    Button {
                        text: qsTr("Delete")
                        onClicked: presetButton.remove(modelData.name)
                    }
                }
            }
        }
    }
}
