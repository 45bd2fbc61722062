#include "cli/inorderreporter.h"

#include "cli/rowsink.h"
#include "convert/batch.h"
#include "convert/interrupt.h"
#include "convert/worker.h"
#include "convert/workerpool.h"

#include <QCoreApplication>
#include <QFileInfo>

InOrderReporter::InOrderReporter(const Plan &plan, int workers, bool verbose, RowSink *sink,
                                 QObject *parent)
    : QObject(parent), plan(plan), rows(plan.rows.size()), workers(workers), verbose(verbose),
      sink(sink)
{
    // What the plan settled is shown in its turn, as it stands in the plan.
    for (int i = 0; i < plan.rows.size(); ++i) {
        const PlanRow &row = plan.rows.at(i);
        if (row.status == PlanRow::Status::Convert)
            continue;
        Row &r = rows[i];
        r.planned = false;
        r.state = Row::State::Done;
        r.skipped = row.status == PlanRow::Status::Skip;
        r.skipReason = row.reason;
        r.outcome = Outcome::refused(row.reason);
    }
}

void InOrderReporter::run()
{
    BatchReport report;
    report.started = [this](int i, const QString &, const QString &) {
        if (rows.at(i).planned)
            rows[i].state = Row::State::Running;
        reportInOrder();
    };
    report.progress = [this](int i, quint64 done, quint64 total) {
        rows[i].done = done;
        rows[i].total = total;
        if (i == head && rows.at(i).announced && !cancelled)
            sink->progress(i, done, total);
    };
    report.clipped = [this](int i, quint64 samples) { rows[i].clipped = samples; };
    report.warning = [this](int i, const QString &text) { rows[i].warning = text; };
    report.gain = [this](int i, const sound::Level &level) {
        rows[i].gainChosen = true;
        levels.insert(i, level);
    };
    report.converted = [this](int i, const QString &, const QString &) {
        finishRow(i, false, Outcome(), QString());
    };
    report.skipped = [this](int i, const QString &, const QString &reason) {
        finishRow(i, true, Outcome(), reason);
    };
    report.failed = [this](int i, const QString &, const Outcome &outcome) {
        finishRow(i, false, outcome, QString());
    };

    QStringList arguments{QLatin1String(worker::argument)};
    if (verbose)
        arguments << QStringLiteral("--verbose");
    worker::Pool pool(plan, workers,
                      worker::Program{QCoreApplication::applicationFilePath(), arguments}, report,
                      &interrupt::flag(), interrupt::wakeDescriptor());
    connect(&pool, SIGNAL(sgStopping()), this, SLOT(slStopping()));
    pool.run();
    if (cancelled)
        reportTheEnded();
}

void InOrderReporter::slStopping()
{
    cancelled = true;
    sink->clearLine();
}

void InOrderReporter::finishRow(int i, bool skipped, const Outcome &outcome,
                                const QString &skipReason)
{
    Row &r = rows[i];
    // The plan's own rows are shown as the plan has them; after an interrupt,
    // inputs that never started stay unreported.
    if (!r.planned || (cancelled && r.state == Row::State::Waiting))
        return;
    r.state = Row::State::Done;
    r.skipped = skipped;
    r.skipReason = skipReason;
    r.outcome = outcome;
    if (!skipped && outcome.isConverted())
        r.bytes = QFileInfo(plan.rows.at(i).output).size();
    reportInOrder();
}

void InOrderReporter::reportDone(int i)
{
    const Row &r = rows.at(i);
    if (r.clipped > 0)
        sink->clipped(i, r.clipped);
    if (r.gainChosen)
        sink->gain(i, levels.value(i));
    if (!r.warning.isEmpty())
        sink->warning(i, r.warning);
    if (r.skipped)
        sink->skipped(i, r.skipReason);
    else if (r.outcome.isConverted())
        sink->converted(i, r.bytes);
    else
        sink->failed(i, r.outcome);
}

void InOrderReporter::reportInOrder()
{
    while (head < rows.size()) {
        Row &r = rows[head];
        if (r.state == Row::State::Waiting)
            return;
        if (!r.announced && r.planned) {
            r.announced = true;
            sink->started(head);
            if (r.state == Row::State::Running && r.total > 0 && !cancelled)
                sink->progress(head, r.done, r.total);
        }
        if (r.state != Row::State::Done)
            return;
        reportDone(head);
        ++head;
    }
}

void InOrderReporter::reportTheEnded()
{
    // Inputs that ended are still reported, in order, past those that never
    // started.
    for (; head < rows.size(); ++head) {
        const Row &r = rows.at(head);
        if (r.state != Row::State::Done || !r.planned)
            continue;
        if (!r.announced)
            sink->started(head);
        reportDone(head);
    }
}
