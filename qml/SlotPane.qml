// The selected input's slot: its sound with where the slot starts, is cut,
// fades and is padded; Play; the row's own start, which the marker also
// moves (drag it, or the arrow keys once it has the focus).
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import Sabletide.Preview 1.0
import "Words.js" as Words

ColumnLayout {
    id: pane
    spacing: 4

    // The window's batch (Batch) and its selected row, -1 for none.
    property QtObject batch
    property int row: -1
    // Shows and plays the selected input's slot (SlotPreview or a stand-in).
    property QtObject preview
    // The selected row's input, "" for none, and the plan watcher whose
    // command and options the preview shows.
    property string path
    property QtObject planner
    property bool locked: false
    // The start the form gives every row, as the engine reads it.
    property string formStart
    // Why the preview could not be made or played; "" when nothing failed.
    property string message: ""
    // The engine's plan of the selected row, for what the input is.
    property var plan: null
    readonly property string facts: path === "" ? ""
        : (plan ? Words.factsText(plan.facts) : "") || Words.fileName(path)
    readonly property string note: message !== "" ? message
        : preview.slot.ok === false ? String(preview.slot.reason || "") : facts
    readonly property bool canPlay: path !== "" && planner.command !== ""
    readonly property string previewKey: path === "" || planner.key === "" ? "" : path + "\n" + planner.key

    // The row's start, for every row: the form's start becomes it.
    signal applyToAll(string start)

    readonly property Theme theme: Theme {}
    // Refreshed when the row's own start changes.
    property string ownStart: ""
    function refresh() {
        var r = batch.rowAt(row);
        ownStart = String(r.start || "");
        plan = r.plan || null;
    }
    onRowChanged: refresh()
    Connections {
        target: pane.batch
        function onRowDataChanged(changed) {
            if (changed < 0 || changed === pane.row)
                pane.refresh();
        }
        function onCountChanged() { pane.refresh() }
    }

    // Plays the selected input as its output would sound, or stops what plays.
    function togglePlay() {
        if (preview.playState !== "idle") {
            preview.doStop();
        } else if (canPlay) {
            message = "";
            preview.doPlay(planner.command, planner.options, path);
        }
    }
    Connections {
        target: pane.preview
        function onSgPlayFailed(input, reason) { pane.message = reason }
        function onSgOverviewFailed(input, reason) {
            if (input === pane.path)
                pane.message = reason;
        }
    }
    // The preview follows the selection and the form once the form stands
    // still as long as the plan watcher waits.
    onPreviewKeyChanged: previewKey === "" ? previewTimer.stop() : previewTimer.restart()
    Timer {
        id: previewTimer
        interval: pane.planner.delay
        onTriggered: {
            if (pane.previewKey === "")
                return;
            pane.message = "";
            pane.preview.doShow(pane.planner.command, pane.planner.options, pane.path);
        }
    }

    // Moves the row's start by `ms` milliseconds of output, from where the
    // preview shows it.
    function nudge(ms) {
        var slot = preview.slot;
        if (locked || row < 0 || !slot || !(slot.rate > 0))
            return;
        var frame = Math.max(0, (slot.startFrame || 0) + Math.round(slot.rate * ms / 1000));
        batch.setStart(row, preview.startText(frame, slot.rate));
    }

    // Takes the keyboard focus for the marker: the arrows move the start.
    Item {
        id: waveBox
        objectName: "waveformBox"
        Layout.fillWidth: true
        Layout.preferredHeight: 80
        activeFocusOnTab: pane.row >= 0
        Accessible.role: Accessible.Graphic
        Accessible.name: qsTr("Waveform of the selected file's output")
        Accessible.description: qsTr("Left and Right move the start by 10 ms, with Shift by 100 ms")
        Keys.onLeftPressed: pane.nudge(event.modifiers & Qt.ShiftModifier ? -100 : -10)
        Keys.onRightPressed: pane.nudge(event.modifiers & Qt.ShiftModifier ? 100 : 10)

        WaveformItem {
            id: waveform
            objectName: "waveform"
            anchors.fill: parent
            overview: pane.preview.overview
            totalFrames: pane.preview.slot.totalFrames || 0
            startFrame: pane.preview.slot.startFrame || 0
            cutFrame: pane.preview.slot.cutFrame || 0
            fadeFrames: pane.preview.slot.fadeFrames || 0
            padFrames: pane.preview.slot.padFrames || 0
            rate: pane.preview.slot.rate || 0
            waveColor: pane.theme.wave
            slotColor: pane.theme.slotShade
            markerColor: pane.theme.marker
            // The engine writes a point; the field shows it the locale's way.
            onStartFrameDragged: if (!pane.locked && pane.row >= 0)
                                     pane.batch.setStart(pane.row, pane.preview.startText(frame, rate))
        }
        Rectangle {
            anchors.fill: parent
            color: pane.theme.clear
            border.color: pane.theme.palette.highlight
            border.width: 2
            visible: waveBox.activeFocus
        }
        ProgressBar {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            visible: pane.preview.overviewProgress >= 0
            value: Math.max(0, pane.preview.overviewProgress)
        }
    }
    RowLayout {
        Layout.fillWidth: true
        Button {
            objectName: "playButton"
            text: pane.preview.playState === "idle" ? qsTr("Play") : qsTr("Stop")
            enabled: pane.preview.playState !== "idle" || pane.canPlay
            Accessible.name: pane.preview.playState === "idle"
                             ? qsTr("Play the selected file as it will be saved")
                             : qsTr("Stop playing")
            Accessible.description: qsTr("Space in the list does the same")
            onClicked: pane.togglePlay()
        }
        Label {
            objectName: "previewNote"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            Layout.minimumWidth: 0
            elide: Text.ElideRight
            color: pane.theme.hint
            text: pane.note
            ToolTip.visible: noteArea.containsMouse && truncated
            ToolTip.text: text
            MouseArea { id: noteArea; anchors.fill: parent; hoverEnabled: true; acceptedButtons: Qt.NoButton }
        }
        Label {
            text: qsTr("Starts at")
            Layout.fillWidth: true
            Layout.maximumWidth: Math.ceil(implicitWidth)
            Layout.minimumWidth: 0
            elide: Text.ElideRight
        }
        TextField {
            id: ownStartField
            objectName: "ownStartField"
            Layout.preferredWidth: 80
            Layout.minimumWidth: 50
            enabled: pane.row >= 0 && !pane.locked
            text: Words.localNumber(pane.ownStart)
            placeholderText: Words.localNumber(pane.formStart !== "" ? pane.formStart : "0")
            placeholderTextColor: pane.theme.listHint
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Start of the selected file in seconds")
            Accessible.description: qsTr("Empty: the start the form gives every file")
            onEditingFinished: {
                if (!pane.batch.setStart(pane.row, Words.withDecimalPoint(text)))
                    text = Words.localNumber(pane.ownStart);
            }
        }
        Label { text: qsTr("s", "seconds") }
        Button {
            objectName: "applyStartButton"
            Layout.fillWidth: true
            Layout.maximumWidth: Math.ceil(implicitWidth)
            Layout.minimumWidth: 50
            text: qsTr("Apply to all")
            enabled: pane.row >= 0 && !pane.locked && pane.ownStart !== ""
            Accessible.name: qsTr("Give every file this start")
            onClicked: pane.applyToAll(pane.ownStart)
        }
    }
}
