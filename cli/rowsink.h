// Where the rows of a running plan are reported: to the person through the
// reporter and, with --json, to a script on standard output.
#pragma once

#include "cli/names.h"
#include "cli/reporter.h"
#include "cli/rowjson.h"
#include "cli/stdoutput.h"
#include "convert/interrupt.h"
#include "convert/outcome.h"
#include "convert/plan.h"

class RowSink
{
public:
    RowSink(const Plan &plan, const names::Given &given, Reporter &reporter, bool json)
        : plan(plan), given(given), reporter(reporter), json(json)
    {
    }

    void clearLine() { reporter.clearLine(); }
    void started(int index) { reporter.started(index, input(index)); }
    void progress(int index, quint64 done, quint64 total) { reporter.progress(index, done, total); }
    // Comes before the row's end, which then carries the count.
    void clipped(int index, quint64 samples)
    {
        clips = samples;
        reporter.clipped(index, input(index), samples);
    }
    // Comes before the row's end, which then carries it.
    void gain(int index, const sound::Level &level)
    {
        chosen = level;
        gainChosen = true;
        reporter.gain(index, input(index), plan.request.sound, level);
    }
    void warning(int index, const QString &text)
    {
        warned = text;
        reporter.warning(index, input(index), text);
    }
    void converted(int index, qint64 bytes)
    {
        const PlanRow &row = plan.rows.at(index);
        reporter.converted(index, input(index), names::output(row), bytes);
        print(row, QStringLiteral("converted"), quint64(bytes), QString());
    }
    void skipped(int index, const QString &reason)
    {
        const PlanRow &row = plan.rows.at(index);
        reporter.skipped(index, input(index), inputs::withoutControls(reason));
        print(row, QStringLiteral("skipped"), 0, reason);
    }
    void failed(int index, const Outcome &outcome)
    {
        const PlanRow &row = plan.rows.at(index);
        const QString reason = outcome.text();
        reporter.failed(index, input(index), inputs::withoutControls(reason));
        const bool refused = outcome.kind == Outcome::Kind::Refused;
        print(row, refused ? QStringLiteral("refused") : QStringLiteral("failed"), 0, reason);
    }

private:
    QString input(int index) const { return names::input(plan.rows.at(index), given); }

    void print(const PlanRow &row, const QString &status, quint64 bytes, const QString &reason)
    {
        const QString warning = warned;
        warned.clear();
        const bool measured = gainChosen;
        gainChosen = false;
        if (!json) {
            clips = 0;
            return;
        }
        const QByteArray line =
            rowjson::line(plan, row, status, bytes, reason, clips, names::inputBytes(row, given),
                          warning, measured ? &chosen : nullptr);
        clips = 0;
        // A script that cannot have its rows would act on a part of them: the
        // run ends here, as for a signal.
        if (!stdoutput::write(line))
            interrupt::cancel();
    }

    const Plan &plan;
    const names::Given &given;
    Reporter &reporter;
    bool json;
    quint64 clips = 0;
    QString warned;
    bool gainChosen = false;
    sound::Level chosen;
};
