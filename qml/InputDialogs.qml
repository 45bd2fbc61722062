// The choosers: audio files to add, a folder whose audio files to add (with
// its subfolders, when asked, each output keeping its place in the tree), and
// the output folder. The input choosers open where inputs last came from.
import QtQuick 2.15
import QtQuick.Controls 2.15 as Controls
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3 as Dialogs
import Qt.labs.platform 1.1 as Platform
import "Words.js" as Words

Item {
    id: dialogs
    objectName: "inputDialogs"

    property QtObject batch
    property string inputFolder
    property string outputFolder

    // folder: where the chosen inputs lie, for the next chooser. subfolders:
    // walk the chosen folder's whole tree.
    signal inputsChosen(var urls, string folder, bool subfolders)
    signal outputFolderChosen(string folder)

    function addFiles() { fileDialog.open() }
    function addFolder() { addFolderDialog.open() }
    function chooseOutputFolder() { folderDialog.open() }

    // Sources tend to lie together, and away from where the outputs go.
    // Failing that, beside the last input listed, in the output folder, or
    // in the music folder.
    readonly property var inputsStartUrl: {
        var folder = inputFolder !== "" ? inputFolder
                   : batch.count > 0 ? Words.folderOf(batch.pathAt(batch.count - 1))
                   : outputFolder;
        return folder !== "" ? Words.pathToUrl(folder)
                             : Platform.StandardPaths.writableLocation(Platform.StandardPaths.MusicLocation);
    }

    Platform.FileDialog {
        id: fileDialog
        title: qsTr("Add audio files")
        fileMode: Platform.FileDialog.OpenFiles
        nameFilters: [qsTr("Audio files (%1)").arg(_data.rules.audioExtensions.map(function (e) { return "*." + e; })
                                                   .join(" ")),
                      qsTr("All files (*)")]
        folder: dialogs.inputsStartUrl
        onAccepted: dialogs.inputsChosen(files, Words.folderOf(Words.urlToPath(files[0])), false)
    }

    // Qt.labs.platform's FolderDialog gives, on acceptance, the folder it
    // shows rather than the one selected in it: a folder picked with one click
    // would become its parent. This dialog's fileUrl is the one selected.
    Dialogs.FileDialog {
        id: addFolderDialog
        title: qsTr("Add the audio files of a folder")
        selectFolder: true
        folder: dialogs.inputsStartUrl
        onAccepted: dialogs.folderChosen(fileUrl)
    }

    // A folder with folders inside asks whether to take them too.
    function folderChosen(url) {
        var path = Words.urlToPath(url);
        if (_data.rules.hasSubfolders(path)) {
            subfolderPrompt.url = url;
            subfolderPrompt.open();
        } else {
            inputsChosen([url], Words.withTrailingSlash(path), false);
        }
    }

    Controls.Dialog {
        id: subfolderPrompt
        objectName: "subfolderPrompt"
        parent: Controls.Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(480, parent ? parent.width - 40 : 480)
        modal: true
        closePolicy: Controls.Popup.CloseOnEscape
        title: qsTr("Include subfolders?")

        property url url

        function choose(tree) {
            close();
            var path = Words.urlToPath(url);
            dialogs.inputsChosen([url], Words.withTrailingSlash(path), tree);
        }

        onOpened: includeButton.forceActiveFocus()

        contentItem: ColumnLayout {
            spacing: 12
            Controls.Label {
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: qsTr("%1 has folders inside. Add their audio files too? Each output then keeps its place in the tree under the output folder.")
                      .arg(Words.urlToPath(subfolderPrompt.url))
            }
            RowLayout {
                Layout.alignment: Qt.AlignRight
                Controls.Button {
                    id: includeButton
                    objectName: "includeSubfoldersButton"
                    text: qsTr("Include subfolders")
                    highlighted: true
                    onClicked: subfolderPrompt.choose(true)
                    Keys.onReturnPressed: subfolderPrompt.choose(true)
                    Keys.onEnterPressed: subfolderPrompt.choose(true)
                }
                Controls.Button {
                    objectName: "folderOnlyButton"
                    text: qsTr("This folder only")
                    onClicked: subfolderPrompt.choose(false)
                    Keys.onReturnPressed: subfolderPrompt.choose(false)
                    Keys.onEnterPressed: subfolderPrompt.choose(false)
                }
            }
        }
    }

    Dialogs.FileDialog {
        id: folderDialog
        title: qsTr("Choose the output folder")
        selectFolder: true
        folder: dialogs.outputFolder !== "" ? Words.pathToUrl(dialogs.outputFolder) : ""
        onAccepted: dialogs.outputFolderChosen(Words.withTrailingSlash(Words.urlToPath(fileUrl)))
    }
}
