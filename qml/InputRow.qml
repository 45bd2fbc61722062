// One input in the list: its name and what libsox says the file is, then on
// a second line what its output will get (from the engine's plan) or what
// became of it. Its folder and all of that are in the tooltip. A failed or
// refused row adds its reason on a line of its own, so that a failure reads
// at a glance.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ItemDelegate {
    id: row

    property string path
    property string name
    property string folder
    // Another row has the same name: this one names its folder too.
    property bool repeated: false
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
    // Why a converted output is not all it seems; empty when it is.
    property string warning
    // What a converted row got: { rate, channels, bits, bytes }.
    property var got: ({})
    // The row's own start, "" for the form's.
    property string ownStart
    // False while a filter hides the row: it then takes no room in the list.
    property bool shown: true

    signal removeRequested()

    readonly property Theme theme: Theme {}
    readonly property color okColor: theme.ok
    readonly property color failColor: theme.fail
    // Neither done nor wrong: the file that was there is left as it was.
    readonly property color skipColor: theme.skip
    readonly property color warnColor: theme.warn

    readonly property string factsText: plan ? Words.factsText(plan.facts) : ""
    // The folder's own name, for rows whose names repeat.
    readonly property string folderName: Words.fileName(String(folder).replace(/\/+$/, ""))
    readonly property string shownName: repeated && folderName !== ""
                                        ? qsTr("%1 in %2").arg(name).arg(folderName) : name
    // "32 kHz mono 16-bit, 65,536 bytes": the format the run wrote and the file's size.
    readonly property string gotText: status !== "converted" || !got || !got.rate ? ""
        : [Words.rateName(got.rate), Words.channelsName(got.channels), qsTr("%1-bit").arg(got.bits)].join(" ")
          + (got.bytes >= 0 ? ", " + Words.bytesText(got.bytes) : "")
          + (got.gainDb !== undefined ? ", " + Words.gainText(got.gainDb, got.ceilingHeld) : "")
    // Once a row has a result other than converted, that result says it all.
    readonly property string plannedText: !plan || !planCurrent || status === "failed"
                                          || status === "skipped" || status === "stopped"
                                          ? "" : Words.plannedText(plan)
    readonly property bool refusedPlan: status === "" && planCurrent && plan !== null
                                        && plan.status === "refused"
    // The reason that gets a line of its own: a failure's, or the planner's refusal.
    readonly property string ownLineReason: status === "failed" ? reason
                                          : refusedPlan ? String(plan.reason) : ""

    Accessible.name: shownName + ", " + [factsText, plannedText, statusText(), gotText].filter(Boolean).join(", ")
    Accessible.description: path
    focusPolicy: Qt.NoFocus
    visible: shown
    topPadding: 2
    bottomPadding: 2
    leftPadding: 8
    rightPadding: 2
    implicitHeight: shown ? contentItem.implicitHeight + topPadding + bottomPadding : 0

    ToolTip.visible: hovered && !pressed
    ToolTip.delay: 700
    ToolTip.text: [folder, factsText, ownStart !== "" ? qsTr("Starts at %1 s").arg(Words.localNumber(ownStart)) : "",
                   plannedText, statusText(), gotText].filter(Boolean).join("\n")

    background: Rectangle {
        implicitHeight: 0
        visible: row.down || row.hovered
        color: row.down ? row.theme.rowPressed : row.theme.rowHovered
    }

    function statusText() {
        switch (status) {
        case "waiting": return qsTr("Waiting");
        case "converting": return qsTr("Converting…");
        case "converted": return qsTr("Converted to %1").arg(output);
        case "skipped": return reason !== "" ? qsTr("Skipped: %1").arg(reason) : qsTr("Skipped");
        case "failed": return qsTr("Failed: %1").arg(reason);
        case "stopped": return qsTr("Stopped before it was finished; nothing was written");
        }
        return "";
    }

    // What the status column says: a failure names only itself, its reason
    // has the next line.
    function shortStatus() {
        switch (status) {
        // The mark says it converted; what it got follows.
        case "converted": return qsTr("\u2192 %1", "the output a file was converted to").arg(output);
        case "failed": return qsTr("Failed");
        case "stopped": return qsTr("Stopped; nothing written");
        }
        return statusText();
    }

    // A reason in two parts: what went wrong in the program's words, and the
    // detail behind it (libsox's message, a path, an error code), which reads
    // smaller. A short lead such as "cannot read" stays with what follows it.
    function reasonParts(text) {
        var r = String(text);
        var colon = r.indexOf(": ");
        if (colon < 20 || colon + 2 >= r.length)
            return [r, ""];
        return [r.slice(0, colon), r.slice(colon + 2)];
    }

    function escaped(text) {
        return String(text).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;");
    }

    contentItem: ColumnLayout {
        spacing: 0
        // The name, what the file is, and the button that takes it off.
        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Label {
                id: mark
                Layout.preferredWidth: 14
                horizontalAlignment: Text.AlignHCenter
                text: row.status === "converted" ? "\u2713"
                    : row.status === "failed" || row.refusedPlan ? "\u2717"
                    : row.status === "skipped" ? "\u21b7" : ""
                color: row.status === "converted" ? row.okColor
                     : row.status === "skipped" ? row.skipColor : row.failColor
                font.bold: true
                font.pixelSize: row.font.pixelSize - 1
            }
            Label {
                id: nameLabel
                Layout.fillWidth: true
                Layout.minimumWidth: Math.min(implicitWidth, 90)
                text: row.shownName
                color: row.palette.text
                font.bold: true
                font.pixelSize: row.font.pixelSize - 1
                elide: Text.ElideMiddle
            }
            // What the file is; cut only where the row's tooltip says it all.
            Label {
                objectName: "rowFacts"
                Layout.fillWidth: true
                Layout.maximumWidth: Math.ceil(implicitWidth)
                Layout.minimumWidth: 0
                visible: text !== ""
                text: row.factsText
                elide: Text.ElideRight
                horizontalAlignment: Text.AlignRight
                font.pixelSize: row.font.pixelSize - 2
                color: row.theme.listHint
            }
            ToolButton {
                text: "\u2715"
                implicitWidth: 22
                implicitHeight: 18
                padding: 0
                flat: true
                focusPolicy: Qt.NoFocus
                enabled: row.removable
                opacity: row.hovered || row.highlighted ? 1 : 0.45
                Accessible.name: qsTr("Remove %1").arg(row.name)
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: qsTr("Remove from the list")
                onClicked: row.removeRequested()
            }
        }
        // Before a run: the plan, whole. During and after: the result.
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 20
            Layout.rightMargin: 24
            spacing: 6
            visible: row.status !== "" || row.refusedPlan || row.plannedText !== "" || row.clipped > 0
            Label {
                id: planLabel
                objectName: "rowPlan"
                Layout.fillWidth: true
                visible: row.status === "" && !row.refusedPlan && text !== ""
                text: row.plannedText
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize - 1
                color: row.plan && row.plan.status === "skip" ? row.skipColor
                     : row.plan && row.plan.shortBy > 0 ? row.warnColor : row.theme.listHint
            }
            Label {
                id: statusLabel
                objectName: "rowStatus"
                Layout.fillWidth: !rowProgress.visible && row.gotText === ""
                visible: row.status !== "" || row.refusedPlan
                text: row.refusedPlan ? qsTr("Will not convert") : row.shortStatus()
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize - 1
                font.italic: row.status === "skipped" || row.status === "stopped"
                color: row.status === "failed" || row.refusedPlan ? row.failColor
                     : row.status === "converted" ? row.okColor
                     : row.status === "skipped" ? row.skipColor : row.theme.listHint
            }
            Label {
                id: gotLabel
                objectName: "rowGot"
                Layout.fillWidth: true
                visible: text !== ""
                text: row.gotText
                elide: Text.ElideRight
                font.pixelSize: row.font.pixelSize - 1
                color: row.theme.listHint
            }
            ProgressBar {
                id: rowProgress
                objectName: "rowProgress"
                Layout.fillWidth: true
                Layout.preferredHeight: 6
                visible: row.status === "converting"
                indeterminate: row.progress < 0
                value: Math.max(0, row.progress)
                Accessible.name: qsTr("Progress of %1").arg(row.name)
            }
            Label {
                id: clippedLabel
                objectName: "rowClipped"
                visible: row.clipped > 0
                text: qsTr("%1 clipped").arg(Words.plural(row.clipped, qsTr("sample"), qsTr("samples")))
                font.pixelSize: row.font.pixelSize - 1
                color: row.warnColor
            }
        }
        // The reason, under the name: the detail behind it in smaller type.
        Label {
            objectName: "rowReason"
            Layout.fillWidth: true
            Layout.leftMargin: 20
            Layout.rightMargin: 24
            visible: row.ownLineReason !== ""
            readonly property var parts: row.reasonParts(row.ownLineReason)
            textFormat: Text.StyledText
            text: row.escaped(parts[0]) + (parts[1] !== ""
                  ? ": <font color=\"" + row.theme.listHint + "\"><small>" + row.escaped(parts[1]) + "</small></font>" : "")
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            font.pixelSize: row.font.pixelSize - 1
            color: row.failColor
        }
        Label {
            objectName: "rowWarning"
            Layout.fillWidth: true
            Layout.leftMargin: 20
            Layout.rightMargin: 24
            visible: row.warning !== ""
            text: qsTr("Warning: %1").arg(row.warning)
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            font.pixelSize: row.font.pixelSize - 1
            color: row.warnColor
        }
    }
}
