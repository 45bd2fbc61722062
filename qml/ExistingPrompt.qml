// Asks, before a run, what to do with outputs that already exist: replace
// them, skip their inputs, or count those inputs as failed. The last answer
// is the one Enter picks next time.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

Dialog {
    id: prompt
    objectName: "existingPrompt"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(520, parent ? parent.width - 40 : 520)
    modal: true
    closePolicy: Popup.CloseOnEscape
    title: outputs.length === 1 ? qsTr("A file to be written already exists")
                                : qsTr("%1 files to be written already exist").arg(Words.groupDigits(outputs.length))

    // existing: "overwrite", "skip" or "fail".
    signal chosen(string command, string existing)

    property string command
    property var outputs: []
    property string folder
    property string choice: "overwrite"

    readonly property var choices: [
        { value: "overwrite", name: "replaceButton", text: qsTr("Replace them"),
          tip: qsTr("Write the new files over the ones there now.") },
        { value: "skip", name: "skipButton", text: qsTr("Skip them"),
          tip: qsTr("Leave those files as they are and convert only the others.") },
        { value: "fail", name: "failButton", text: qsTr("Keep them, report an error"),
          tip: qsTr("Leave those files as they are and list their inputs as failed.") }
    ]

    function ask(command, outputs, folder, remembered) {
        prompt.command = command;
        prompt.outputs = outputs;
        prompt.folder = folder;
        prompt.choice = remembered;
        open();
    }

    function choose(existing) {
        close();
        chosen(command, existing);
    }

    onOpened: {
        for (var i = 0; i < buttons.count; ++i) {
            if (choices[i].value === choice)
                buttons.itemAt(i).forceActiveFocus();
        }
    }

    contentItem: ColumnLayout {
        spacing: 10
        Label {
            objectName: "existingText"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: qsTr("Converting would write over %1 in %2.")
                  .arg(Words.someNames(prompt.outputs, 3)).arg(prompt.folder)
        }
        Repeater {
            id: buttons
            model: prompt.choices
            delegate: Button {
                objectName: modelData.name
                Layout.fillWidth: true
                text: modelData.text
                highlighted: modelData.value === prompt.choice
                Accessible.description: modelData.tip
                ToolTip.visible: hovered
                ToolTip.delay: 600
                ToolTip.text: modelData.tip
                onClicked: prompt.choose(modelData.value)
                Keys.onReturnPressed: prompt.choose(modelData.value)
                Keys.onEnterPressed: prompt.choose(modelData.value)
            }
        }
        Button {
            objectName: "cancelExistingButton"
            Layout.alignment: Qt.AlignRight
            text: qsTr("Cancel")
            flat: true
            onClicked: prompt.close()
            Keys.onReturnPressed: prompt.close()
            Keys.onEnterPressed: prompt.close()
        }
    }
}
