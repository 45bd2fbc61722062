// The selected input's slot: its name and what it is, its sound with where
// the slot starts, is cut, fades and is padded (whole, or zoomed to the slot);
// Play; the row's own start, which the marker also moves (drag it, or the
// arrow keys once it has the focus).
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
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
    readonly property string facts: path === "" || !plan ? "" : Words.factsText(plan.facts)
    // Why the slot cannot be shown or played; "" when nothing is wrong.
    readonly property string note: message !== "" ? message
        : preview.slot.ok === false ? String(preview.slot.reason || "") : ""
    // The view shows the slot alone rather than the whole sound.
    property bool zoomToSlot: false
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

    // Moves the row's start by `frames` output frames, from where the
    // preview shows it.
    function step(frames) {
        var slot = preview.slot;
        if (locked || row < 0 || !slot || !(slot.rate > 0))
            return;
        var frame = Math.max(0, (slot.startFrame || 0) + frames);
        if (slot.totalFrames > 0)
            frame = Math.min(frame, slot.totalFrames - 1);
        batch.setStart(row, preview.startText(frame, slot.rate));
    }
    function nudge(ms) {
        var slot = preview.slot;
        if (slot && slot.rate > 0)
            step(Math.round(slot.rate * ms / 1000));
    }

    // The start as the field shows it: to the millisecond. The row keeps the
    // engine's exact text, which lands on its frame.
    function shownStart(engineText) {
        var t = String(engineText);
        return Words.localNumber(/^[0-9]+\.[0-9]{4,}$/.test(t) ? Number(t).toFixed(3) : t);
    }

    // The file's name and what it is, and whether the view shows the slot or
    // the whole sound.
    RowLayout {
        Layout.fillWidth: true
        spacing: 8
        Label {
            objectName: "slotName"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            Layout.minimumWidth: 40
            Layout.maximumWidth: Math.ceil(implicitWidth)
            text: pane.path === "" ? "" : Words.fileName(pane.path)
            font.bold: true
            elide: Text.ElideMiddle
        }
        Label {
            objectName: "slotFacts"
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            Layout.minimumWidth: 0
            text: pane.facts
            color: pane.theme.hint
            elide: Text.ElideRight
            ToolTip.visible: factsArea.containsMouse && truncated
            ToolTip.text: text
            MouseArea { id: factsArea; anchors.fill: parent; hoverEnabled: true; acceptedButtons: Qt.NoButton }
        }
        ToolButton {
            objectName: "zoomSlotButton"
            text: qsTr("Slot")
            checkable: true
            checked: pane.zoomToSlot
            onClicked: pane.zoomToSlot = true
            Accessible.name: qsTr("Zoom to the slot")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Show the part that goes into the file, in detail (Plus)")
        }
        ToolButton {
            objectName: "zoomWholeButton"
            text: qsTr("Whole sound")
            checkable: true
            checked: !pane.zoomToSlot
            onClicked: pane.zoomToSlot = false
            Accessible.name: qsTr("Show the whole sound")
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: qsTr("Show the whole sound (Minus)")
        }
    }

    SlotWave {
        id: waveBox
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.minimumHeight: 40 + rulerHeight
        Layout.preferredHeight: 80 + rulerHeight
        preview: pane.preview
        zoomToSlot: pane.zoomToSlot
        keysEnabled: !pane.locked
        activeFocusOnTab: pane.row >= 0
        onStepFrames: pane.step(frames)
        onStepMs: pane.nudge(ms)
        onZoomAsked: pane.zoomToSlot = toSlot
        // The engine writes a point; the field shows it the locale's way.
        onStartDragged: if (!pane.locked && pane.row >= 0)
                            pane.batch.setStart(pane.row, pane.preview.startText(frame, waveBox.waveform.rate))
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
            text: pane.shownStart(pane.ownStart)
            placeholderText: Words.localNumber(pane.formStart !== "" ? pane.formStart : "0")
            placeholderTextColor: pane.theme.listHint
            selectByMouse: true
            inputMethodHints: Qt.ImhFormattedNumbersOnly
            Accessible.name: qsTr("Start of the selected file in seconds")
            Accessible.description: qsTr("Empty: the start the form gives every file")
            onEditingFinished: {
                // Left as shown, the exact start stays.
                if (text === pane.shownStart(pane.ownStart))
                    return;
                if (!pane.batch.setStart(pane.row, Words.withDecimalPoint(text)))
                    text = pane.shownStart(pane.ownStart);
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
