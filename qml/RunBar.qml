// The foot of the window: where the run stands or how it ended, why the form
// cannot convert yet, and the Stop and Convert buttons.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

RowLayout {
    id: bar
    spacing: 10

    // The window's batch (Batch).
    property QtObject batch
    // The run's end in a few words ("Done: …"), "" before any.
    property string endNote
    // Why nothing was sent, found before sending; "" when nothing stood in the way.
    property string folderProblem
    // Why the form cannot convert yet; "" when it can.
    property string formReason
    property string unopenedFolder
    property bool canConvert
    property bool canOpenFolder

    signal convertClicked()
    signal stopClicked()
    signal openFolderClicked()

    readonly property Theme theme: Theme {}
    readonly property bool running: batch.running

    function timeLeftText(seconds) {
        if (seconds < 0)
            return "";
        if (seconds < 60)
            return qsTr("about %1 s left").arg(seconds);
        if (seconds < 3600)
            return qsTr("about %1 min left").arg(Math.round(seconds / 60));
        return qsTr("about %1 h %2 min left").arg(Math.floor(seconds / 3600))
                                               .arg(Math.round(seconds % 3600 / 60));
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 2
        Label {
            objectName: "summaryLabel"
            Layout.fillWidth: true
            visible: text !== ""
            font.bold: true
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            readonly property string timeLeft: bar.timeLeftText(bar.batch.secondsLeft)
            text: bar.batch.stopping && bar.running ? qsTr("Stopping…")
                  : bar.running ? (timeLeft !== ""
                                   ? qsTr("Converting… %1 of %2 done, %3").arg(bar.batch.doneCount).arg(bar.batch.runTotal).arg(timeLeft)
                                   : qsTr("Converting… %1 of %2 done").arg(bar.batch.doneCount).arg(bar.batch.runTotal))
                  : bar.folderProblem !== "" ? qsTr("Nothing was converted: %1").arg(bar.folderProblem)
                  : bar.batch.requestError !== "" ? qsTr("Nothing was converted: %1").arg(bar.batch.requestError)
                  : bar.endNote
            color: bar.batch.requestError !== "" || bar.folderProblem !== "" ? bar.theme.fail
                                                                             : palette.windowText
            Accessible.role: Accessible.StaticText
        }
        Label {
            objectName: "reasonLabel"
            Layout.fillWidth: true
            visible: text !== ""
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            color: bar.theme.warn
            text: bar.running ? "" : bar.formReason
        }
        Label {
            objectName: "unopenedFolderNote"
            Layout.fillWidth: true
            visible: text !== ""
            wrapMode: Text.WrapAtWordBoundaryOrAnywhere
            text: bar.unopenedFolder !== "" && !bar.running
                  ? qsTr("Nothing on this computer opens folders. The files are in %1").arg(bar.unopenedFolder)
                  : ""
            Accessible.role: Accessible.AlertMessage
        }
        ProgressBar {
            objectName: "runProgress"
            Layout.fillWidth: true
            visible: bar.running
            value: bar.batch.progress
            Accessible.name: qsTr("Progress of the whole conversion")
        }
    }
    Button {
        objectName: "openFolderButton"
        text: qsTr("Open output folder")
        visible: !bar.running && bar.endNote !== "" && bar.canOpenFolder
        flat: true
        Accessible.name: qsTr("Open the output folder in the file manager")
        onClicked: bar.openFolderClicked()
    }
    BusyIndicator {
        objectName: "busyIndicator"
        running: bar.running
        visible: running
        implicitWidth: 36
        implicitHeight: 36
        Accessible.name: qsTr("Converting")
    }
    Button {
        objectName: "stopButton"
        text: qsTr("Stop")
        visible: bar.running
        enabled: !bar.batch.stopping
        Accessible.name: qsTr("Stop converting")
        Accessible.description: qsTr("The file being converted and those after it are not written")
        onClicked: bar.stopClicked()
    }
    Button {
        objectName: "convertButton"
        // Only the rows that the plan converts are counted.
        text: bar.batch.willConvert > 1 ? qsTr("Convert %1 files").arg(Words.groupDigits(bar.batch.willConvert))
                                        : qsTr("Convert")
        enabled: bar.canConvert
        highlighted: enabled
        Accessible.name: qsTr("Convert")
        Accessible.description: bar.formReason
        onClicked: bar.convertClicked()
    }
}
