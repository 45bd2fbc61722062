// Where the outputs go: the folder, the suffix added to each name, how many
// files convert side by side, and the name the first file will get.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "Words.js" as Words

ColumnLayout {
    id: group
    spacing: 4

    // The window's form (Form).
    property QtObject form
    // The first input, "" for none.
    property string firstInput
    // Parallel conversions: 0 lets the program choose.
    property int jobs: 0
    readonly property var jobChoices: [0, 1, 2, 3, 4, 6, 8, 12, 16]
    readonly property int headingSize: Qt.application.font.pixelSize + 2
    readonly property bool popupOpen: jobsBox.popup.visible
    readonly property Theme theme: Theme {}

    // Named again whenever the folder or the suffix changes.
    readonly property string firstOutput: {
        form.outputFolder;
        form.suffix;
        return firstInput === "" ? "" : form.outputOf(firstInput);
    }

    signal chooseFolderClicked()
    signal jobsChosen(int jobs)

    Label {
        Layout.topMargin: 4
        text: qsTr("Where to save")
        font.bold: true
        font.pixelSize: group.headingSize
    }
    GridLayout {
        Layout.fillWidth: true
        columns: 3
        columnSpacing: 8
        rowSpacing: 4
        Label { text: qsTr("Folder") }
        TextField {
            id: folderField
            objectName: "folderField"
            Layout.fillWidth: true
            Layout.preferredWidth: 60
            text: group.form.folderText
            selectByMouse: true
            placeholderText: qsTr("Same as the first file")
            placeholderTextColor: group.theme.listHint
            Accessible.name: qsTr("Output folder")
            Accessible.description: qsTr("Empty: the folder of the first file")
            onTextEdited: group.form.folderText = text
            // A long path shows its end, where the folder's own name is,
            // cut at a whole letter; the tooltip holds all of it.
            readonly property bool shortened: !activeFocus && contentWidth > width - leftPadding - rightPadding
            color: shortened ? group.theme.clear : palette.text
            ToolTip.visible: hovered && text !== ""
            ToolTip.delay: 600
            ToolTip.text: group.form.outputFolder
            Label {
                objectName: "folderTail"
                anchors.fill: parent
                leftPadding: folderField.leftPadding
                rightPadding: folderField.rightPadding
                verticalAlignment: Text.AlignVCenter
                visible: folderField.shortened
                elide: Text.ElideLeft
                color: folderField.palette.text
                text: folderField.text
            }
        }
        Button {
            objectName: "chooseFolderButton"
            text: qsTr("Choose…")
            Accessible.name: qsTr("Choose the output folder")
            onClicked: group.chooseFolderClicked()
        }
        FieldNote {
            Layout.columnSpan: 3
            text: group.form.folderReason
        }
        Label { text: qsTr("Suffix") }
        // The suffix and the jobs side by side: both are short.
        RowLayout {
            Layout.columnSpan: 2
            spacing: 8
            TextField {
                id: suffixField
                objectName: "suffixField"
                Layout.fillWidth: true
                Layout.preferredWidth: 60
                Layout.minimumWidth: 60
                text: group.form.suffix
                selectByMouse: true
                Accessible.name: qsTr("Name suffix")
                Accessible.description: qsTr("Added to each file name before .wav")
                onTextEdited: group.form.suffix = text
            }
            Label { text: qsTr("Parallel jobs") }
            ComboBox {
                id: jobsBox
                objectName: "jobsBox"
                model: group.jobChoices.map(function (n) {
                    return n === 0 ? qsTr("Automatic") : String(n);
                })
                currentIndex: Math.max(0, group.jobChoices.indexOf(group.jobs))
                onActivated: group.jobsChosen(group.jobChoices[index])
                Accessible.name: qsTr("Files converted at the same time")
                ToolTip.visible: (hovered || visualFocus) && !popup.visible
                ToolTip.delay: 800
                ToolTip.text: qsTr("Automatic starts as many as the work pays for, up to one per processor. More jobs finish a long list sooner; the files come out the same.")
            }
        }
        FieldNote {
            Layout.columnSpan: 3
            text: group.form.suffixReason
        }
    }
    Label {
        objectName: "previewLabel"
        Layout.fillWidth: true
        Layout.preferredWidth: 0
        wrapMode: Text.Wrap
        color: group.theme.hint
        text: group.firstInput === ""
              ? qsTr("Each file is saved as a .wav file with the suffix added to its name.")
              : qsTr("The first file will be saved as %1").arg(group.firstOutput)
    }
}
