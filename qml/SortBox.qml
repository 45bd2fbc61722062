// The list's order: as the files were added, by name or by length. The batch
// sorts; this box only asks.
import QtQuick 2.15
import QtQuick.Controls 2.15

ComboBox {
    id: box
    objectName: "sortBox"

    // The window's batch (Batch).
    property QtObject batch
    readonly property var keys: ["", "name", "length"]

    model: [qsTr("As added"), qsTr("By name"), qsTr("By length")]
    currentIndex: Math.max(0, keys.indexOf(batch.sortKey))
    onActivated: batch.sortKey = keys[index]
    // Wide enough for the longest choice, in any language.
    implicitWidth: Math.ceil(Math.max(added.width, byName.width, byLength.width)) + leftPadding + rightPadding
                   + (indicator ? indicator.width : 0) + 8
    TextMetrics { id: added; font: box.font; text: box.model[0] }
    TextMetrics { id: byName; font: box.font; text: box.model[1] }
    TextMetrics { id: byLength; font: box.font; text: box.model[2] }
    Accessible.name: qsTr("Order of the list")
    ToolTip.visible: hovered && !popup.visible
    ToolTip.delay: 600
    ToolTip.text: qsTr("Order of the list, which is also the order they convert in")
}
