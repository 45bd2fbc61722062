// One input in the list: its name and folder, and what became of it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

ItemDelegate {
    id: row

    property string path
    property string name
    property string folder
    property string status   // "", "waiting", "converting", "converted", "skipped" or "failed"
    property string reason
    property string output
    property bool removable: true

    signal removeRequested()

    readonly property color okColor: "#1b7a35"
    readonly property color failColor: "#b3261e"
    // Neither done nor wrong: the file that was there is left as it was.
    readonly property color skipColor: "#2f5f9e"

    Accessible.name: name + ", " + statusText()
    Accessible.description: path
    focusPolicy: Qt.NoFocus

    function statusText() {
        switch (status) {
        case "waiting": return "Waiting";
        case "converting": return "Converting…";
        case "converted": return "Converted to " + output;
        case "skipped": return reason !== "" ? "Skipped: " + reason : "Skipped";
        case "failed": return "Failed: " + reason;
        }
        return "";
    }

    contentItem: RowLayout {
        spacing: 8
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 1
            Label {
                Layout.fillWidth: true
                text: row.name
                font.bold: true
                elide: Text.ElideMiddle
            }
            Label {
                Layout.fillWidth: true
                text: row.folder
                font.pixelSize: row.font.pixelSize - 2
                color: "#606060"
                elide: Text.ElideMiddle
            }
            Label {
                objectName: "rowStatus"
                Layout.fillWidth: true
                visible: text !== ""
                text: row.statusText()
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize - 1
                font.italic: row.status === "skipped"
                color: row.status === "failed" ? row.failColor
                     : row.status === "converted" ? row.okColor
                     : row.status === "skipped" ? row.skipColor : "#606060"
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
