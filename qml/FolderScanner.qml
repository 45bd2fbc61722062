// Turns dropped URLs into input paths: a file stands for itself, a folder for
// the audio files directly inside it. Folders are listed by FolderListModel on
// its own thread, one after the other, so that the order of a drop is kept and
// the window never waits on the disk.
import QtQuick 2.15
import Qt.labs.folderlistmodel 2.15
import "Logic.js" as Logic

QtObject {
    id: scanner

    // True while a folder is being listed.
    readonly property bool busy: queue.length > 0 || current !== null

    // paths: files to add, in order. refused: [{ path, reason }].
    // emptyFolders: folders that held no audio file.
    signal found(var paths, var refused, var emptyFolders)

    property var queue: []
    property var current: null
    property var paths: []
    property var refused: []
    property var emptyFolders: []

    property Component listing: Component {
        FolderListModel {
            showDirs: false
            showHidden: false
            caseSensitive: false
            sortField: FolderListModel.Name
            nameFilters: Logic.audioNameFilters()
        }
    }

    function scan(urls) {
        var q = scanner.queue.slice();
        for (var i = 0; i < urls.length; ++i)
            q.push(String(urls[i]));
        scanner.queue = q;
        if (current === null)
            next();
    }

    function next() {
        while (queue.length > 0) {
            var q = queue.slice();
            var url = q.shift();
            queue = q;
            var path = Logic.urlToPath(url);
            if (path === "") {
                refused.push({ path: url, reason: "it is not a file on this computer." });
                continue;
            }
            // A name with an audio extension is taken as a file at once; only
            // the others need a look at the disk.
            if (Logic.isAudioName(Logic.fileName(path))) {
                paths.push(path);
                continue;
            }
            // FolderListModel keeps a folder it is created with and turns
            // anything else into the working folder: that tells the two apart.
            var model = listing.createObject(scanner, { folder: url });
            if (String(model.folder) !== url) {
                model.destroy();
                paths.push(path);
                continue;
            }
            current = model;
            model.statusChanged.connect(function () { collect(model, path); });
            collect(model, path);
            return;
        }
        var p = paths, r = refused, e = emptyFolders;
        paths = [];
        refused = [];
        emptyFolders = [];
        if (p.length > 0 || r.length > 0 || e.length > 0)
            found(p, r, e);
    }

    function collect(model, folderPath) {
        if (model !== current || model.status !== FolderListModel.Ready)
            return;
        for (var i = 0; i < model.count; ++i)
            paths.push(String(model.get(i, "filePath")));
        if (model.count === 0)
            emptyFolders.push(folderPath);
        current = null;
        model.destroy();
        next();
    }
}
