// The size of each output: an exact size in bytes, KiB or MiB, or a duration
// that the engine turns into one; what that size holds; and, for a size that
// cuts a frame, the whole-frame sizes beside it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ColumnLayout {
    id: group
    spacing: 4

    // The window's form (Form).
    property QtObject form
    readonly property int headingSize: Qt.application.font.pixelSize + 2
    readonly property bool popupOpen: unitBox.popup.visible
    readonly property Theme theme: Theme {}

    // The heading and the two ways of giving the size share a row, so that
    // the whole form fits a 960×640 window without scrolling.
    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 6
        spacing: 6
        Label {
            Layout.fillWidth: true
            text: qsTr("File size")
            font.bold: true
            font.pixelSize: group.headingSize
        }
        RadioButton {
            id: sizeRadio
            objectName: "sizeRadio"
            topPadding: 2
            bottomPadding: 2
            text: qsTr("Exact size")
            checked: !group.form.durationMode
            Accessible.name: qsTr("Give the exact file size")
            onToggled: if (checked) group.form.durationMode = false
        }
        RadioButton {
            id: durationRadio
            objectName: "durationRadio"
            topPadding: 2
            bottomPadding: 2
            text: qsTr("Duration")
            checked: group.form.durationMode
            Accessible.name: qsTr("Give the duration in seconds")
            onToggled: if (checked) group.form.durationMode = true
        }
    }
    RowLayout {
        Layout.fillWidth: true
        visible: !group.form.durationMode
        TextField {
            id: sizeField
            objectName: "sizeField"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            text: group.form.sizeText
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("File size")
            Accessible.description: qsTr("0 keeps the whole sound")
            onTextEdited: group.form.sizeText = text
        }
        ComboBox {
            id: unitBox
            objectName: "unitBox"
            model: Words.sizeUnits.map(function (u) { return u.name; })
            currentIndex: group.form.sizeUnit
            implicitWidth: 100
            Accessible.name: qsTr("Unit of the file size")
            // The form keeps the size and says it in the new unit.
            onActivated: group.form.sizeUnit = index
        }
    }
    RowLayout {
        Layout.fillWidth: true
        visible: group.form.durationMode
        TextField {
            id: durationField
            objectName: "durationField"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            text: group.form.durationText
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Duration in seconds")
            Accessible.description: qsTr("Seconds, such as %1, or minutes and seconds, such as %2")
                                    .arg(Words.localNumber("2.5")).arg("1:30")
            onTextEdited: group.form.durationText = text
        }
        Label { text: qsTr("seconds") }
    }
    FieldNote {
        objectName: "sizeNote"
        text: group.form.size.reason
    }
    Label {
        objectName: "sizeInfo"
        Layout.fillWidth: true
        Layout.preferredWidth: 0
        wrapMode: Text.Wrap
        color: group.theme.hint
        visible: text !== ""
        text: group.form.sizeInfo
    }
    // A cut in the middle of a frame leaves a torn last sample.
    ColumnLayout {
        Layout.fillWidth: true
        visible: group.form.partialFrame
        Label {
            objectName: "frameWarning"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            wrapMode: Text.Wrap
            color: group.theme.warn
            text: group.form.partialFrame
                  ? qsTr("This size is not a whole number of %1-byte frames: the last frame will "
                         + "be cut in the middle. Nearest whole-frame sizes:")
                    .arg(group.form.frameBytes)
                  : ""
        }
        RowLayout {
            Button {
                objectName: "lowerSizeButton"
                visible: group.form.partialFrame && group.form.layout.lower !== null
                text: group.form.layout.lower !== null ? Words.bytesText(group.form.layout.lower) : ""
                Accessible.name: qsTr("Use %1").arg(text)
                onClicked: group.form.setSizeBytes(group.form.layout.lower)
            }
            Button {
                objectName: "upperSizeButton"
                visible: group.form.partialFrame && group.form.layout.upper !== null
                text: group.form.layout.upper !== null ? Words.bytesText(group.form.layout.upper) : ""
                Accessible.name: qsTr("Use %1").arg(text)
                onClicked: group.form.setSizeBytes(group.form.layout.upper)
            }
        }
    }
}
