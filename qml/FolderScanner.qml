// Turns dropped or chosen URLs into input paths: a file stands for itself, a
// folder for the audio files the engine finds directly inside it, the same
// files the command-line tool would take (with subfolders, those of its
// whole tree, as the tool's -R takes them). The engine looks at the disk on a
// thread of its own and answers each request in turn, so the window never
// waits on a slow disk.
import QtQuick 2.15
import "Words.js" as Words

QtObject {
    id: scanner

    // True while the engine has not answered every request.
    readonly property bool busy: waiting.length > 0

    // paths: files to add, in order. refused: [{ path, reason, empty }], with
    // empty true for a folder that held no audio file. subfolders: each
    // path's folder in its tree, or empty when no tree was walked.
    signal found(var paths, var refused, var subfolders)

    // Requests not yet answered: [{ request, refused }].
    property var waiting: []

    function scan(urls, subfolders) {
        var paths = [];
        var refused = [];
        for (var i = 0; i < urls.length; ++i) {
            var path = Words.urlToPath(urls[i]);
            if (path === "")
                refused.push({ path: String(urls[i]), reason: qsTr("it is not a file on this computer."), empty: false });
            else
                paths.push(path);
        }
        if (paths.length === 0) {
            if (refused.length > 0)
                found([], refused, []);
            return;
        }
        var w = waiting.slice();
        w.push({ request: _data.rules.findInputs(paths, subfolders === true), refused: refused });
        waiting = w;
    }

    property Connections answers: Connections {
        target: _data.rules
        function onSgInputsFound(request, paths, refused, subfolders) {
            var w = scanner.waiting.slice();
            for (var i = 0; i < w.length; ++i) {
                if (w[i].request !== request)
                    continue;
                var ours = w.splice(i, 1)[0];
                scanner.waiting = w;
                scanner.found(paths, ours.refused.concat(refused), subfolders);
                return;
            }
        }
    }
}
