// One input in the list: its name, folder and what libsox says it is, what
// its output will get (from the engine's plan), and what became of it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ItemDelegate {
    id: row

    property string path
    property string name
    property string folder
    // "", "waiting", "converting", "converted", "skipped", "failed" or "stopped"
    property string status
    property string reason
    property string output
    property bool removable: true
    // The planner's row for this input, or null; current: it answers the
    // form as it stands.
    property var plan: null
    property bool planCurrent: false
    // Of the conversion under way: 0 to 1, or -1 while the total is unknown.
    property real progress: -1
    property real clipped: 0

    signal removeRequested()

    readonly property color okColor: "#1b7a35"
    readonly property color failColor: "#b3261e"
    // Neither done nor wrong: the file that was there is left as it was.
    readonly property color skipColor: "#2f5f9e"
    readonly property color warnColor: "#8a5a00"

    readonly property string factsText: plan ? Words.factsText(plan.facts) : ""
    // Once a row has a result other than converted, that result says it all.
    readonly property string plannedText: !plan || !planCurrent || status === "failed"
                                          || status === "skipped" || status === "stopped"
                                          ? "" : Words.plannedText(plan)

    Accessible.name: name + ", " + [factsText, plannedText, statusText()].filter(Boolean).join(", ")
    Accessible.description: path
    focusPolicy: Qt.NoFocus

    function statusText() {
        switch (status) {
        case "waiting": return "Waiting";
        case "converting": return "Converting…";
        case "converted": return "Converted to " + output;
        case "skipped": return reason !== "" ? "Skipped: " + reason : "Skipped";
        case "failed": return "Failed: " + reason;
        case "stopped": return "Stopped before it was finished; nothing was written";
        }
        return "";
    }

    contentItem: RowLayout {
        spacing: 8
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1
            // The facts beside the name where both fit, else under it.
            GridLayout {
                Layout.fillWidth: true
                columns: nameLabel.implicitWidth + factsLabel.implicitWidth + columnSpacing
                         <= width ? 2 : 1
                columnSpacing: 10
                rowSpacing: 1
                Label {
                    id: nameLabel
                    Layout.fillWidth: true
                    text: row.name
                    font.bold: true
                    elide: Text.ElideMiddle
                }
                Label {
                    id: factsLabel
                    objectName: "rowFacts"
                    Layout.fillWidth: parent.columns === 1
                    visible: text !== ""
                    text: row.factsText
                    elide: Text.ElideRight
                    font.pixelSize: row.font.pixelSize - 1
                    color: "#505050"
                }
            }
            Label {
                Layout.fillWidth: true
                text: row.folder
                font.pixelSize: row.font.pixelSize - 2
                color: "#606060"
                elide: Text.ElideMiddle
            }
            Label {
                objectName: "rowPlan"
                Layout.fillWidth: true
                visible: text !== ""
                text: row.plannedText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize - 1
                color: row.plan && row.plan.status === "refused" ? row.failColor
                     : row.plan && row.plan.status === "skip" ? row.skipColor
                     : row.plan && row.plan.shortBy > 0 ? row.warnColor : "#303030"
            }
            // The bar shares the status line, so that a row keeps its height
            // as it starts and the list stays where it was put.
            RowLayout {
                Layout.fillWidth: true
                visible: statusLabel.text !== ""
                spacing: 8
                Label {
                    id: statusLabel
                    objectName: "rowStatus"
                    Layout.fillWidth: !rowProgress.visible
                    text: row.statusText()
                    wrapMode: Text.Wrap
                    maximumLineCount: 3
                    elide: Text.ElideRight
                    font.pixelSize: row.font.pixelSize - 1
                    font.italic: row.status === "skipped" || row.status === "stopped"
                    color: row.status === "failed" ? row.failColor
                         : row.status === "converted" ? row.okColor
                         : row.status === "skipped" ? row.skipColor : "#606060"
                }
                ProgressBar {
                    id: rowProgress
                    objectName: "rowProgress"
                    Layout.fillWidth: true
                    visible: row.status === "converting"
                    indeterminate: row.progress < 0
                    value: Math.max(0, row.progress)
                    Accessible.name: "Progress of " + row.name
                }
            }
            Label {
                objectName: "rowClipped"
                Layout.fillWidth: true
                visible: row.clipped > 0
                text: Words.plural(row.clipped, "sample", "samples") + " clipped"
                font.pixelSize: row.font.pixelSize - 1
                color: row.warnColor
            }
        }
        ToolButton {
            text: "\u2715"
            implicitWidth: 30
            implicitHeight: 30
            flat: true
            focusPolicy: Qt.NoFocus
            enabled: row.removable
            Accessible.name: "Remove " + row.name
            ToolTip.visible: hovered
            ToolTip.delay: 600
            ToolTip.text: "Remove from the list"
            onClicked: row.removeRequested()
        }
    }
}
