// The files to convert: the buttons that add them, a heading with the list's
// order, after a run
// with failures the means to find and retry them, a message about what was
// not added, and the list itself, one InputRow per file.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ColumnLayout {
    id: pane
    spacing: 6

    // The window's batch (Batch).
    property QtObject batch
    property bool locked: false
    property bool scanning: false
    // Only the rows that failed show.
    property bool failedOnly: false
    property string notice
    property bool canRetry: false
    readonly property alias list: inputList
    readonly property alias currentIndex: inputList.currentIndex
    readonly property int headingSize: Qt.application.font.pixelSize + 2
    readonly property bool canRemove: !locked && inputList.currentIndex >= 0
    readonly property bool canClear: !locked && batch.count > 0

    signal addFilesClicked()
    signal addFolderClicked()
    signal retryClicked()
    signal failedOnlyToggled(bool only)
    signal noticeDismissed()
    signal removeRequested(int row)
    signal clearClicked()
    signal playRequested()

    readonly property Theme theme: Theme {}

    // Selects the first input that failed and brings it into sight.
    function showFirstFailure() {
        var i = batch.firstFailed();
        if (i < 0)
            return -1;
        inputList.currentIndex = i;
        inputList.positionViewAtIndex(i, ListView.Beginning);
        inputList.forceActiveFocus();
        return i;
    }

    // Moves the selection to the next row the filter shows, up (-1) or down.
    function stepSelection(direction) {
        for (var i = inputList.currentIndex + direction; i >= 0 && i < batch.count; i += direction) {
            if (!failedOnly || batch.rowAt(i).status === "failed") {
                inputList.currentIndex = i;
                inputList.positionViewAtIndex(i, ListView.Contain);
                return;
            }
        }
    }

    function select(index) {
        inputList.currentIndex = index;
    }

    // Keeps a row being converted in sight, unless the person is moving the
    // list: a few times a second at most, so that a list of thousands of
    // short files is not scrolled through row by row.
    function follow(index) {
        followed = index;
        if (!followTimer.running)
            followTimer.start();
    }
    property int followed: -1
    Timer {
        id: followTimer
        interval: 250
        onTriggered: {
            if (!inputList.moving && pane.followed >= 0 && pane.followed < pane.batch.count)
                inputList.positionViewAtIndex(pane.followed, ListView.Contain);
        }
    }

    // The selected row's input, to find it again once the list is sorted.
    property string selectedPath: ""
    Connections {
        target: inputList
        function onCurrentIndexChanged() { pane.selectedPath = pane.batch.pathAt(inputList.currentIndex) }
    }
    Connections {
        target: pane.batch
        function onCountChanged() { pane.selectedPath = pane.batch.pathAt(inputList.currentIndex) }
        function onReordered() {
            var i = pane.batch.indexOf(pane.selectedPath);
            inputList.currentIndex = i;
            if (i >= 0)
                inputList.positionViewAtIndex(i, ListView.Contain);
        }
    }

    ListButtons {
        Layout.fillWidth: true
        locked: pane.locked
        canRemove: pane.canRemove
        canClear: pane.canClear
        onAddFilesClicked: pane.addFilesClicked()
        onAddFolderClicked: pane.addFolderClicked()
        onRemoveClicked: pane.removeRequested(inputList.currentIndex)
        onClearClicked: pane.clearClicked()
    }

    // The list's heading and its order.
    RowLayout {
        id: headingRow
        Layout.fillWidth: true
        // Where the whole heading and the order do not fit, "Files (18)".
        readonly property string count: Words.groupDigits(pane.batch.count)
        readonly property bool narrow: width < longHeading.width + sortBox.implicitWidth + spacing + 4
        TextMetrics { id: longHeading; font.bold: true; font.pixelSize: pane.headingSize
                      text: qsTr("Files to convert (%1)").arg(headingRow.count) }
        Label {
            objectName: "listHeading"
            Layout.fillWidth: true
            Layout.minimumWidth: 0
            text: pane.batch.count === 0 ? qsTr("Files to convert")
                  : headingRow.narrow ? qsTr("Files (%1)").arg(headingRow.count)
                  : qsTr("Files to convert (%1)").arg(headingRow.count)
            font.bold: true
            font.pixelSize: pane.headingSize
            elide: Text.ElideRight
        }
        SortBox {
            id: sortBox
            batch: pane.batch
            enabled: !pane.locked && pane.batch.count > 1
        }
    }

    // After a run with failures: find them, and try them again. On a narrow
    // window the buttons go under the switch.
    Flow {
        objectName: "failuresBar"
        Layout.fillWidth: true
        visible: pane.batch.failedRows > 0 && !pane.batch.running
        spacing: 6
        CheckBox {
            objectName: "failedOnlyBox"
            text: qsTr("Show failed only")
            checked: pane.failedOnly
            height: 30
            topPadding: 0
            bottomPadding: 0
            Accessible.name: qsTr("Show only the files that failed")
            onToggled: {
                pane.failedOnlyToggled(checked);
                if (checked)
                    pane.showFirstFailure();
            }
        }
        Button {
            objectName: "firstFailureButton"
            text: qsTr("First failure")
            flat: true
            height: 30
            Accessible.name: qsTr("Select the first file that failed")
            onClicked: pane.showFirstFailure()
        }
        Button {
            objectName: "retryFailedButton"
            text: pane.batch.failedRows === 1 ? qsTr("Retry the failed file")
                                              : qsTr("Retry %1 failed").arg(pane.batch.failedRows)
            enabled: pane.canRetry
            height: 30
            Accessible.name: qsTr("Convert the files that failed again")
            Accessible.description: qsTr("Uses the form as it stands now")
            onClicked: pane.retryClicked()
        }
    }

    Rectangle {
        objectName: "noticeBox"
        Layout.fillWidth: true
        visible: pane.notice !== ""
        implicitHeight: noticeRow.implicitHeight + 12
        color: pane.theme.notice
        border.color: pane.theme.noticeBorder
        radius: 3
        RowLayout {
            id: noticeRow
            anchors.fill: parent
            anchors.margins: 6
            Label {
                objectName: "noticeLabel"
                Layout.fillWidth: true
                text: pane.notice
                color: palette.text
                wrapMode: Text.Wrap
                Accessible.role: Accessible.AlertMessage
            }
            ToolButton {
                text: "\u2715"
                Accessible.name: qsTr("Dismiss the message")
                onClicked: pane.noticeDismissed()
            }
        }
    }

    Frame {
        Layout.fillWidth: true
        Layout.fillHeight: true
        padding: 1
        background: Rectangle {
            color: pane.theme.palette.base
            border.color: pane.theme.palette.mid
        }

        ListView {
            id: inputList
            objectName: "inputList"
            anchors.fill: parent
            clip: true
            model: pane.batch
            activeFocusOnTab: true
            keyNavigationEnabled: true
            currentIndex: -1
            Accessible.role: Accessible.List
            Accessible.name: qsTr("Files to convert")
            ScrollBar.vertical: ScrollBar {}
            highlightMoveDuration: 0
            highlight: Rectangle {
                color: inputList.activeFocus ? pane.theme.selection : pane.theme.selectionUnfocused
            }
            Keys.onDeletePressed: pane.removeRequested(currentIndex)
            // Under the filter, the arrows pass over the hidden rows.
            Keys.onUpPressed: pane.stepSelection(-1)
            Keys.onDownPressed: pane.stepSelection(1)

            delegate: InputRow {
                width: inputList.width
                path: model.path
                name: model.name
                folder: model.folder
                repeated: model.repeated
                status: model.status
                reason: model.reason
                output: Words.fileName(model.output)
                plan: model.plan === undefined ? null : model.plan
                planCurrent: pane.batch.planCurrent
                progress: model.progress
                clipped: model.clipped
                warning: model.warning
                got: model.got
                ownStart: model.start
                shown: !pane.failedOnly || model.status === "failed"
                removable: !pane.locked
                highlighted: ListView.isCurrentItem
                onClicked: inputList.currentIndex = index
                onRemoveRequested: pane.removeRequested(index)
                // The list gives its current row the focus; Space plays it
                // rather than clicking it.
                Keys.priority: Keys.BeforeItem
                Keys.onSpacePressed: pane.playRequested()
            }

            Column {
                anchors.centerIn: parent
                width: parent.width - 32
                visible: pane.batch.count === 0
                spacing: 6
                Label {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    text: pane.scanning ? qsTr("Looking for audio files…")
                                        : qsTr("Drop audio files or folders here")
                    font.pixelSize: pane.headingSize
                    color: pane.theme.listHint
                }
                Label {
                    width: parent.width
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    visible: !pane.scanning
                    text: qsTr("or click Add files. A folder adds the audio files directly inside it.")
                    color: pane.theme.listHint
                }
            }
        }
    }
}
