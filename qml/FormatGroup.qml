// The output format: sample rate, channels and bits, and the slot presets
// that fill the whole form at once.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ColumnLayout {
    id: group
    spacing: 4

    // The window's form (Form).
    property QtObject form
    property bool locked: false
    readonly property int headingSize: Qt.application.font.pixelSize + 2
    // The bits box's entry, for tests and the remembered form.
    property alias bitsIndex: bitsBox.currentIndex
    readonly property bool popupOpen: rateBox.popup.visible || channelsBox.popup.visible
                                      || bitsBox.popup.visible || presetMenu.menuOpen

    signal presetChosen(var preset)

    // An editable box and the form's text follow each other both ways.
    function sync(box, text) {
        if (box.editText !== text)
            box.editText = text;
    }
    Connections {
        target: group.form
        function onRateTextChanged() { group.sync(rateBox, group.form.rateText) }
        function onChannelsTextChanged() { group.sync(channelsBox, group.form.channelsText) }
        function onBitsChanged() { group.showBits() }
    }
    function showBits() {
        var i = Words.bitDepths.indexOf(form.bits);
        if (i >= 0 && bitsBox.currentIndex !== i)
            bitsBox.currentIndex = i;
    }
    Component.onCompleted: {
        sync(rateBox, form.rateText);
        sync(channelsBox, form.channelsText);
        showBits();
    }

    RowLayout {
        Layout.fillWidth: true
        Label {
            Layout.fillWidth: true
            text: qsTr("Output format")
            font.bold: true
            font.pixelSize: group.headingSize
        }
        PresetMenu {
            id: presetMenu
            enabled: !group.locked
            currentValues: function () {
                var values = group.form.values();
                values.bits = group.form.bits;
                return values;
            }
            onChosen: group.presetChosen(preset)
        }
    }
    GridLayout {
        Layout.fillWidth: true
        columns: 3
        columnSpacing: 8
        rowSpacing: 4

        Label { text: qsTr("Sample rate") }
        ComboBox {
            id: rateBox
            objectName: "rateBox"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            editable: true
            model: Words.ratePresets
            inputMethodHints: Qt.ImhDigitsOnly
            Accessible.name: qsTr("Sample rate in hertz")
            ToolTip.visible: hovered && !popup.visible
            ToolTip.delay: 800
            ToolTip.text: qsTr("Pick a usual rate or type your own")
            onEditTextChanged: if (group.form.rateText !== editText) group.form.rateText = editText
        }
        Label { text: qsTr("Hz") }
        FieldNote {
            objectName: "rateNote"
            Layout.columnSpan: 3
            text: group.form.rate.reason
        }

        Label { text: qsTr("Channels") }
        ComboBox {
            id: channelsBox
            objectName: "channelsBox"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            editable: true
            model: ["1", "2"]
            inputMethodHints: Qt.ImhDigitsOnly
            Accessible.name: qsTr("Number of channels")
            onEditTextChanged: if (group.form.channelsText !== editText) group.form.channelsText = editText
        }
        Label {
            text: group.form.channels.ok ? Words.channelsName(group.form.channels.value) : ""
            Layout.minimumWidth: 50
        }
        FieldNote {
            objectName: "channelsNote"
            Layout.columnSpan: 3
            text: group.form.channels.reason
        }

        Label { text: qsTr("Bits") }
        ComboBox {
            id: bitsBox
            objectName: "bitsBox"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            Layout.columnSpan: 2
            model: Words.bitDepths.map(function (b) {
                return b === 8 ? qsTr("8 bits (unsigned)") : qsTr("%1 bits").arg(b);
            })
            currentIndex: 1
            Accessible.name: qsTr("Bits per sample")
            onCurrentIndexChanged: if (currentIndex >= 0) group.form.bits = Words.bitDepths[currentIndex]
        }
    }
}
