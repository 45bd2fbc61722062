// Keeps the engine's plan of the form at hand in the batch's rows: what each
// input is and what its output will get, asked of _data.rules a moment after
// the form last changed, on the engine's own thread. Answers to a form that
// has changed since are dropped, so the rows never show an older form's
// numbers.
import QtQuick 2.15

QtObject {
    id: watcher

    // The convert command of the form, "" while the form cannot be planned,
    // and the options that go with it.
    property string command
    property var options: ({})
    // How long the form must stand still before the engine is asked.
    property int delay: 250
    // While a run converts, the disk is changing under any plan; the form is
    // planned again once it ends (refresh).
    property bool paused: false

    // The batch whose rows take the plans (Batch); they keep their last plans
    // while the form is being changed, so that what is known of each input
    // stays in sight, and batch.planCurrent says whether they answer the
    // form as it stands now.
    property QtObject batch
    readonly property bool current: batch ? batch.planCurrent : false
    // Why the engine refused the command or its options as a whole.
    property string error: ""

    readonly property string key: command === "" ? "" : command + "\n" + JSON.stringify(options)
    property int asked: 0

    // Plans the same form again, the disk having changed under it; the rows
    // stand until the new answer replaces them.
    function refresh() {
        if (key !== "")
            timer.restart();
    }

    // Asks at once for a form that is about to be sent and has no answer yet,
    // pause or not: the rows then say what this very request will do.
    function flush() {
        if (key === "" || (current && !timer.running))
            return;
        timer.stop();
        asked = _data.rules.planRequest(command, options);
    }

    onKeyChanged: {
        // An answer still on its way is for another form.
        asked = 0;
        if (batch)
            batch.planCurrent = false;
        error = "";
        if (key === "")
            timer.stop();
        else
            timer.restart();
    }

    property Timer timer: Timer {
        interval: watcher.delay
        onTriggered: {
            if (!watcher.paused)
                watcher.asked = _data.rules.planRequest(watcher.command, watcher.options);
        }
    }

    property Connections answers: Connections {
        target: _data.rules
        function onSgPlanned(request, rows, error) {
            if (request !== watcher.asked || timer.running)
                return;
            watcher.batch.setPlans(rows);
            watcher.error = error;
            watcher.batch.planCurrent = true;
        }
    }
}
