#include "convert/batch.h"

#include "convert/command.h"
#include "convert/resampling.h"
#include "convert/spare.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>

#include <limits>

void runRow(const Plan &plan, const PlanRow &row, Resampling &resampling, const BatchReport &report,
            const std::atomic_bool *cancel)
{
    const int i = row.index;
    if (cancel && cancel->load()) {
        if (report.failed)
            report.failed(i, row.input, QStringLiteral("cancelled"));
        return;
    }
    switch (row.status) {
    case PlanRow::Status::Refused:
        qDebug().noquote() << "failed" << row.input << "-" << row.reason;
        // Shown like any input whose conversion fails, so that a window row
        // or a progress line says which input it was.
        if (report.started)
            report.started(i, row.input, row.output);
        if (report.failed)
            report.failed(i, row.input, row.reason);
        return;
    case PlanRow::Status::Skip:
        qDebug().noquote() << "skipped" << row.input << "-" << row.reason;
        if (report.skipped)
            report.skipped(i, row.input, row.reason);
        return;
    case PlanRow::Status::Convert:
        break;
    }
    if (report.started)
        report.started(i, row.input, row.output);
    ConvertHooks hooks;
    hooks.cancel = cancel;
    spare::useProcessors(report.spareProcessors, &hooks);
    if (report.progress)
        hooks.progress = [&report, i](quint64 done, quint64 total) {
            report.progress(i, done, total);
        };
    if (report.clipped)
        hooks.clipped = [&report, i](quint64 samples) {
            if (samples > 0)
                report.clipped(i, samples);
        };
    if (report.warning)
        hooks.warning = [&report, i](const QString &text) { report.warning(i, text); };
    if (report.gain)
        hooks.gain = [&report, i](double db) { report.gain(i, db); };
    QString reason;
    if (resampling.resample(plan.params(row), &reason, hooks) == 1) {
        if (report.converted)
            report.converted(i, row.input, row.output);
    } else if (report.failed) {
        report.failed(i, row.input, reason);
    }
}

void runPlan(const Plan &plan, Resampling &resampling, const BatchReport &report,
             const std::atomic_bool *cancel)
{
    for (const PlanRow &row : plan.rows)
        runRow(plan, row, resampling, report, cancel);
}

bool readRequestOptions(const QVariantMap &given, RequestOptions *options, QString *error)
{
    RequestOptions read;
    for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
        const QString text = it.value().toString();
        bool ok = true;
        if (it.key() == QLatin1String("existing")) {
            ok = parseExisting(text, &read.existing);
        } else if (it.key() == QLatin1String("pad")) {
            ok = it.value().canConvert<bool>();
            read.pad = it.value().toBool();
        } else if (it.key() == QLatin1String("fadeOutMs")) {
            QString why;
            ok = units::parseCount(text, 0, 3600000, &read.fadeOutMs, &why);
        } else if (it.key() == QLatin1String("start")) {
            QString why;
            ok = text.trimmed().isEmpty() ||
                 units::parseDuration(text, &read.startNanoseconds, &why);
        } else if (it.key() == QLatin1String("starts")) {
            const QStringList starts = it.value().toStringList();
            read.startsNanoseconds.fill(-1, starts.size());
            for (int i = 0; ok && i < starts.size(); ++i) {
                quint64 ns = 0;
                QString why;
                if (starts.at(i).trimmed().isEmpty())
                    continue;
                ok = units::parseDuration(starts.at(i), &ns, &why) &&
                     ns <= quint64(std::numeric_limits<qint64>::max());
                read.startsNanoseconds[i] = qint64(ns);
            }
            if (!ok) {
                *error = QCoreApplication::translate("engine", "option starts cannot be \"%1\"")
                             .arg(starts.join(QLatin1Char(',')));
                return false;
            }
        } else {
            *error = QCoreApplication::translate("engine", "unknown option \"%1\"").arg(it.key());
            return false;
        }
        if (!ok) {
            *error = QCoreApplication::translate("engine", "option %1 cannot be \"%2\"")
                         .arg(it.key(), text);
            return false;
        }
    }
    *options = read;
    return true;
}

void applyOptions(const RequestOptions &options, ConvertCommand *request)
{
    request->slot.pad = options.pad;
    request->slot.fadeOutMs = options.fadeOutMs;
    request->slot.startFrame = units::frameAt(options.startNanoseconds, request->sampleRate);
    request->startFrames.clear();
    for (qint64 ns : options.startsNanoseconds)
        request->startFrames.append(
            ns < 0 ? -1 : qint64(units::frameAt(quint64(ns), request->sampleRate)));
}

bool runBatch(const QString &text, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel, const RequestOptions &options)
{
    if (!text.isEmpty())
        qDebug() << text;

    ConvertCommand c;
    command::ParseError error;
    if (!command::parse(text, &c, &error)) {
        if (report.failed)
            report.failed(-1, QString(), error.message);
        return false;
    }
    applyOptions(options, &c);
    runPlan(makePlan(c, options.existing), resampling, report, cancel);
    return true;
}
