// What a slot may ask beyond the plain cut: silence up to the exact size, a
// fade-out where the size cuts the sound, and a start later in the sound.
// The engine applies them, byte for byte as the command-line tool does.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

GridLayout {
    id: slot
    readonly property Theme theme: Theme {}
    columns: 6
    columnSpacing: 6
    rowSpacing: 2

    // The window's form (Form).
    property QtObject form
    // An exact size is chosen: padding and fading have something to work on.
    readonly property bool sized: form.sized

    CheckBox {
        id: padBox
        objectName: "padBox"
        Layout.columnSpan: 6
        Layout.fillWidth: true
        topPadding: 2
        bottomPadding: 2
        text: qsTr("Pad with silence to the exact size")
        checked: slot.form.padChecked
        onToggled: slot.form.padChecked = checked
        enabled: slot.sized
        Accessible.name: text
        Accessible.description: qsTr("A sound shorter than the size is followed by silence")
        ToolTip.visible: hovered && !enabled
        ToolTip.delay: 600
        ToolTip.text: qsTr("Choose a size first: size 0 keeps the whole sound")
    }

    // Side by side, so that the form still fits a 640-pixel-high window.
    Label { text: qsTr("Fade out"); enabled: slot.sized }
    TextField {
        id: fadeField
        objectName: "fadeField"
        Layout.fillWidth: true
        Layout.preferredWidth: 60
        Layout.minimumWidth: 50
        text: slot.form.fadeText
        onTextEdited: slot.form.fadeText = text
        enabled: slot.sized
        selectByMouse: true
        inputMethodHints: Qt.ImhDigitsOnly
        Accessible.name: qsTr("Fade-out in milliseconds")
        Accessible.description: qsTr("Where the size cuts the sound, its last milliseconds fade to silence; 0 for none")
        ToolTip.visible: hovered
        ToolTip.delay: 600
        ToolTip.text: qsTr("Milliseconds of fade where the size cuts the sound; 0 for none")
    }
    Label { text: qsTr("ms", "milliseconds"); enabled: slot.sized; Layout.rightMargin: 8 }
    Label { text: qsTr("Start at") }
    TextField {
        id: startField
        objectName: "startField"
        Layout.fillWidth: true
        Layout.preferredWidth: 60
        Layout.minimumWidth: 50
        text: slot.form.startText
        onTextEdited: slot.form.startText = text
        placeholderText: "0"
        placeholderTextColor: slot.theme.listHint
        selectByMouse: true
        inputMethodHints: Qt.ImhFormattedNumbersOnly
        Accessible.name: qsTr("Start in seconds")
        Accessible.description: qsTr("Each output begins this far into the sound, such as %1 or %2")
            .arg(Words.localNumber("1.25")).arg(Words.localNumber("0:01.250"))
        ToolTip.visible: hovered
        ToolTip.delay: 600
        ToolTip.text: qsTr("Seconds into the sound where each output begins, such as %1 or %2")
            .arg(Words.localNumber("1.25")).arg(Words.localNumber("0:01.250"))
    }
    Label { text: qsTr("s", "seconds") }
    FieldNote {
        objectName: "fadeNote"
        Layout.columnSpan: 6
        text: slot.form.fade.reason
    }
    FieldNote {
        objectName: "startNote"
        Layout.columnSpan: 6
        text: slot.form.start.reason
    }
}
