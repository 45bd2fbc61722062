// The choosers: audio files to add, a folder whose audio files to add, and
// the output folder. The input choosers open where inputs last came from.
import QtQuick 2.15
import QtQuick.Dialogs 1.3 as Dialogs
import Qt.labs.platform 1.1 as Platform
import "Words.js" as Words

Item {
    id: dialogs

    property QtObject batch
    property string inputFolder
    property string outputFolder

    // folder: where the chosen inputs lie, for the next chooser.
    signal inputsChosen(var urls, string folder)
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
        onAccepted: dialogs.inputsChosen(files, Words.folderOf(Words.urlToPath(files[0])))
    }

    // Qt.labs.platform's FolderDialog gives, on acceptance, the folder it
    // shows rather than the one selected in it: a folder picked with one click
    // would become its parent. This dialog's fileUrl is the one selected.
    Dialogs.FileDialog {
        id: addFolderDialog
        title: qsTr("Add the audio files of a folder")
        selectFolder: true
        folder: dialogs.inputsStartUrl
        onAccepted: dialogs.inputsChosen([fileUrl], Words.withTrailingSlash(Words.urlToPath(fileUrl)))
    }

    Dialogs.FileDialog {
        id: folderDialog
        title: qsTr("Choose the output folder")
        selectFolder: true
        folder: dialogs.outputFolder !== "" ? Words.pathToUrl(dialogs.outputFolder) : ""
        onAccepted: dialogs.outputFolderChosen(Words.withTrailingSlash(Words.urlToPath(fileUrl)))
    }
}
