// The sound beyond its format: a level for each file (a peak or a loudness,
// or one gain for them all), no clipping, dither, the resampler's quality and
// a quiet start left out. The engine applies them as the command-line tool does.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

ColumnLayout {
    id: group
    spacing: 2

    // The window's form (Form).
    property QtObject form
    readonly property bool loudness: form.normalize === 2
    readonly property bool popupOpen: normalizeBox.popup.visible || qualityBox.popup.visible
    readonly property int headingSize: Qt.application.font.pixelSize + 2
    readonly property Theme theme: Theme {}
    // Shows its fields; the pane remembers the choice.
    property bool open: true
    signal openToggled(bool open)
    readonly property bool problem: form.loudness.reason !== "" || form.peak.reason !== ""
                                    || form.trim.reason !== ""

    readonly property var levelNames: [qsTr("As it is"), qsTr("Peak"), qsTr("Loudness")]
    readonly property var qualityNames: [qsTr("Quick"), qsTr("Low quality"), qsTr("Medium quality"),
                                         qsTr("High quality"), qsTr("Very high quality")]
    // What the folded group holds, in a line: "Loudness -16 LUFS · dither · High quality".
    readonly property string summary: {
        var parts = [];
        if (form.normalize === 1)
            parts.push(qsTr("Peak %1 dBFS").arg(form.peakText));
        else if (form.normalize === 2)
            parts.push(qsTr("Loudness %1 LUFS").arg(form.loudnessText));
        if (form.normalize > 0 && form.together && form.togetherApplies)
            parts.push(qsTr("one gain"));
        if (form.guard && form.guardApplies)
            parts.push(qsTr("no clipping"));
        if (form.dither)
            parts.push(qsTr("dither"));
        if (form.trimChecked)
            parts.push(qsTr("begins above %1 dBFS").arg(form.trimText));
        parts.push(qualityNames[form.quality] || "");
        return parts.join(" \u00b7 ");
    }

    // The heading folds the group away, leaving one line that says what it
    // holds: with it folded, the form fits an 800×600 window.
    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 4
        spacing: 6
        ToolButton {
            id: foldButton
            objectName: "soundFoldButton"
            leftPadding: 2
            rightPadding: 6
            topPadding: 1
            bottomPadding: 1
            text: (group.open ? "\u25be " : "\u25b8 ") + qsTr("Sound")
            font.bold: true
            font.pixelSize: group.headingSize
            Accessible.role: Accessible.Button
            Accessible.name: group.open ? qsTr("Hide the sound options") : qsTr("Show the sound options")
            onClicked: group.openToggled(!group.open)
        }
        Label {
            objectName: "soundSummary"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            visible: !group.open
            elide: Text.ElideRight
            color: group.theme.hint
            text: group.summary
        }
    }

    GridLayout {
        objectName: "soundFields"
        Layout.fillWidth: true
        // A field with a problem stays in sight.
        visible: group.open || group.problem
        columns: 4
        columnSpacing: 6
        rowSpacing: 2

        Label { text: qsTr("Level") }
        ComboBox {
            id: normalizeBox
            objectName: "normalizeBox"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            model: group.levelNames
            currentIndex: group.form.normalize
            onActivated: group.form.normalize = index
            Accessible.name: qsTr("Bring each file to a level")
        }
        TextField {
            id: targetField
            objectName: "targetField"
            Layout.minimumWidth: 50
            Layout.preferredWidth: 60
            enabled: group.form.normalize > 0
            text: group.loudness ? group.form.loudnessText : group.form.peakText
            onTextEdited: {
                if (group.loudness)
                    group.form.loudnessText = text;
                else
                    group.form.peakText = text;
            }
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: group.loudness ? qsTr("Loudness to bring each file to, in LUFS")
                                            : qsTr("Peak to bring each file to, in dBFS")
        }
        Label { text: group.loudness ? "LUFS" : "dBFS"; enabled: targetField.enabled }
        FieldNote {
            objectName: "targetNote"
            Layout.columnSpan: 4
            text: group.loudness ? group.form.loudness.reason : group.form.peak.reason
        }

        CheckBox {
            objectName: "togetherBox"
            Layout.columnSpan: 4
            topPadding: 2
            bottomPadding: 2
            text: qsTr("One gain for all files")
            checked: group.form.together
            onToggled: group.form.together = checked
            enabled: group.form.togetherApplies
            Accessible.name: text
            Accessible.description: qsTr("The files keep their balance: the loudest one reaches the level")
        }
        // Two short choices side by side.
        RowLayout {
            Layout.columnSpan: 4
            spacing: 12
            CheckBox {
                objectName: "guardBox"
                topPadding: 2
                bottomPadding: 2
                text: qsTr("Prevent clipping")
                checked: group.form.guard
                onToggled: group.form.guard = checked
                enabled: group.form.guardApplies
                Accessible.name: text
                Accessible.description: qsTr("Lower the level just enough that no sample clips")
                ToolTip.visible: hovered && !enabled
                ToolTip.delay: 600
                ToolTip.text: qsTr("The level chosen above sets the gain itself")
            }
            CheckBox {
                objectName: "ditherBox"
                topPadding: 2
                bottomPadding: 2
                text: qsTr("Dither")
                checked: group.form.dither
                onToggled: group.form.dither = checked
                Accessible.name: text
                Accessible.description: qsTr("Add faint noise where the bit depth drops, so that quiet sound is not lost")
            }
        }
        Label { text: qsTr("Resampling") }
        ComboBox {
            id: qualityBox
            objectName: "qualityBox"
            Layout.columnSpan: 3
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            // In the order of the engine's qualities, from the fastest.
            model: group.qualityNames
            currentIndex: group.form.quality
            onActivated: group.form.quality = index
            Accessible.name: qsTr("Resampling quality")
        }

        CheckBox {
            id: trimBox
            objectName: "trimBox"
            Layout.columnSpan: 2
            topPadding: 2
            bottomPadding: 2
            text: qsTr("Begin above")
            checked: group.form.trimChecked
            onToggled: group.form.trimChecked = checked
            Accessible.name: qsTr("Leave out a quiet start")
            Accessible.description: qsTr("Each sound begins at its first sample above the level")
        }
        TextField {
            objectName: "trimField"
            Layout.minimumWidth: 50
            Layout.preferredWidth: 60
            enabled: group.form.trimChecked
            text: group.form.trimText
            onTextEdited: group.form.trimText = text
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Level where the sound begins, in dBFS")
        }
        Label { text: "dBFS"; enabled: trimBox.checked }
        FieldNote {
            objectName: "trimNote"
            Layout.columnSpan: 4
            text: group.form.trim.reason
        }
    }
}
