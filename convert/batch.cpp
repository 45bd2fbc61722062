#include "convert/batch.h"

#include "convert/command.h"
#include "convert/committer.h"
#include "convert/inputs.h"
#include "convert/logging.h"
#include "convert/resampling.h"
#include "convert/spare.h"
#include "convert/units.h"
#include "convert/workerprocess.h"

#include <QCoreApplication>
#include <QDebug>

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>

namespace {

// Converts a row that the plan lets through; `settled`, when given, carries
// the shared gain and its level, and the row was announced by the measuring
// round. With a `committer`, the output is put at its path while the next row
// converts, and the row's news keeps its place behind the row before it.
void convertRow(const Plan &plan, const PlanRow &row, Resampling &resampling,
                const BatchReport &report, const std::atomic_bool *cancel,
                const SettledGain *settled = nullptr, const sound::Level *level = nullptr,
                Committer *committer = nullptr)
{
    const int i = row.index;
    const auto tell = [committer](const std::function<void()> &news) {
        if (committer)
            committer->tell(news);
        else
            news();
    };
    if (!settled && report.started)
        tell([&report, &row] { report.started(row.index, row.input, row.output); });
    ConvertHooks hooks;
    hooks.cancel = cancel;
    spare::useProcessors(report.spareProcessors, &hooks);
    if (report.progress)
        hooks.progress = [&report, i, &tell](quint64 done, quint64 total) {
            tell([&report, i, done, total] { report.progress(i, done, total); });
        };
    if (report.clipped)
        hooks.clipped = [&report, i, &tell](quint64 samples) {
            if (samples > 0)
                tell([&report, i, samples] { report.clipped(i, samples); });
        };
    if (report.warning)
        hooks.warning = [&report, i, &tell](const QString &text) {
            tell([&report, i, text] { report.warning(i, text); });
        };
    if (report.gain)
        hooks.gain = [&report, i, &tell](const sound::Level &chosen) {
            tell([&report, i, chosen] { report.gain(i, chosen); });
        };
    ConvertParams params = plan.params(row);
    if (settled) {
        params.settled = *settled;
        if (report.gain)
            tell([&report, i, level] { report.gain(i, *level); });
    }
    const auto ended = [&report, &row](const Outcome &outcome) {
        if (outcome.isConverted()) {
            if (report.converted)
                report.converted(row.index, row.input, row.output);
        } else if (report.failed) {
            report.failed(row.index, row.input, outcome);
        }
    };
    if (!committer) {
        ended(resampling.run(params, hooks));
        return;
    }
    placement::Pending pending;
    const Outcome outcome = resampling.run(params, hooks, &pending);
    committer->finish(params, cancel, std::move(pending), outcome, ended);
}

} // namespace

Shared shareGain(const Plan &plan, const QVector<sound::Level> &own, const QVector<bool> &measured)
{
    const SoundOptions &options = plan.request.sound;
    QVector<sound::Level> counted;
    for (int i = 0; i < own.size(); ++i) {
        if (measured.value(i))
            counted.append(own.at(i));
    }
    const QVector<sound::Level> settled =
        sound::sharedLevels(counted, options.loudness ? options.loudnessLufs
                                                      : std::numeric_limits<double>::quiet_NaN());
    Shared shared;
    for (int i = 0, k = 0; i < own.size(); ++i) {
        const bool counts = measured.value(i);
        const sound::Level &level = counts ? settled.at(k++) : own.at(i);
        shared.levels.append(level);
        shared.gains.append(counts ? SettledGain{true, level.firstDb, level.gainDb - level.firstDb}
                                   : SettledGain());
    }
    return shared;
}

bool measureRow(const Plan &plan, const PlanRow &row, Resampling &resampling,
                const BatchReport &report, const std::atomic_bool *cancel, sound::Level *level,
                Outcome *outcome)
{
    const int i = row.index;
    if (report.started)
        report.started(i, row.input, row.output);
    ConvertHooks hooks;
    hooks.cancel = cancel;
    if (report.progress)
        hooks.progress = [&report, i](quint64 done, quint64 total) {
            report.progress(i, done, total);
        };
    hooks.gain = [level](const sound::Level &measured) { *level = measured; };
    ConvertParams params = plan.params(row);
    params.measureOnly = true;
    *outcome = resampling.run(params, hooks);
    return outcome->isConverted();
}

void convertSharedRow(const Plan &plan, const PlanRow &row, Resampling &resampling,
                      const BatchReport &report, const std::atomic_bool *cancel,
                      const Shared &shared, Committer *committer)
{
    convertRow(plan, row, resampling, report, cancel, &shared.gains.at(row.index),
               &shared.levels.at(row.index), committer);
}

void runRow(const Plan &plan, const PlanRow &row, Resampling &resampling, const BatchReport &report,
            const std::atomic_bool *cancel, Committer *committer)
{
    const int i = row.index;
    if (committer && ((cancel && cancel->load()) || row.status != PlanRow::Status::Convert))
        committer->settle();
    if (cancel && cancel->load()) {
        if (report.failed)
            report.failed(i, row.input, Outcome::cancelled());
        return;
    }
    switch (row.status) {
    case PlanRow::Status::Refused:
        qCDebug(lcBatch).noquote() << "failed" << row.input << "-" << row.reason;
        // Shown like any input whose conversion fails, so that a window row
        // or a progress line says which input it was.
        if (report.started)
            report.started(i, row.input, row.output);
        if (report.failed)
            report.failed(i, row.input, Outcome::refused(row.reason));
        return;
    case PlanRow::Status::Skip:
        qCDebug(lcBatch).noquote() << "skipped" << row.input << "-" << row.reason;
        if (report.skipped)
            report.skipped(i, row.input, row.reason);
        return;
    case PlanRow::Status::Convert:
        break;
    }
    convertRow(plan, row, resampling, report, cancel, nullptr, nullptr, committer);
}

void runPlan(const Plan &plan, Resampling &resampling, const BatchReport &report,
             const std::atomic_bool *cancel)
{
    // Each output is put in place while the next row converts; a row that
    // reads or writes a file of the row before it waits for that one.
    Committer committer(Committer::TellFrom::CallerThread);
    const QVector<QVector<int>> before = worker::rowsBefore(plan);
    int lastToConvert = -1;
    for (const PlanRow &row : plan.rows) {
        if (row.status == PlanRow::Status::Convert)
            lastToConvert = row.index;
    }
    int lastConverted = -1;
    const auto run = [&](const PlanRow &row, const std::function<void()> &convert) {
        if ((cancel && cancel->load()) || before.value(row.index).contains(lastConverted))
            committer.settle();
        // Nothing converts beside the last output: it is put in place here.
        if (row.index == lastToConvert)
            committer.placeNextHere();
        convert();
        if (row.status == PlanRow::Status::Convert)
            lastConverted = row.index;
    };
    if (!plan.request.sound.together) {
        for (const PlanRow &row : plan.rows)
            run(row, [&] { runRow(plan, row, resampling, report, cancel, &committer); });
        committer.settle();
        return;
    }
    // Every file's level comes before any file's gain.
    QVector<sound::Level> own(plan.rows.size());
    QVector<bool> measured(plan.rows.size(), false);
    QVector<bool> ended(plan.rows.size(), false);
    for (const PlanRow &row : plan.rows) {
        const int i = row.index;
        if (row.status != PlanRow::Status::Convert || (cancel && cancel->load()))
            continue;
        Outcome outcome;
        measured[i] = measureRow(plan, row, resampling, report, cancel, &own[i], &outcome);
        // A stop is reported with the rows that never started, below.
        ended[i] = !measured.at(i) && !(cancel && cancel->load());
        if (ended.at(i) && report.failed)
            report.failed(i, row.input, outcome);
    }
    const Shared shared = shareGain(plan, own, measured);
    for (const PlanRow &row : plan.rows) {
        const int i = row.index;
        run(row, [&] {
            if (row.status != PlanRow::Status::Convert)
                runRow(plan, row, resampling, report, cancel, &committer);
            else if (ended.at(i))
                return;
            else if (cancel && cancel->load() && report.failed)
                report.failed(i, row.input, Outcome::cancelled());
            else if (measured.at(i))
                convertSharedRow(plan, row, resampling, report, cancel, shared, &committer);
        });
    }
    // While what the news held behind it refers to is still there.
    committer.settle();
}

namespace {

// The sound options' names in a request, in the order of sound::Option.
const char *const soundKeys[] = {"quality",       "dither",       "gainDb",   "guard",
                                 "normalizeDbfs", "loudnessLufs", "together", "trimStartDbfs"};

QString soundKey(sound::Option option)
{
    return QLatin1String(soundKeys[int(option)]);
}

// A switch: true or false, or their text; nothing else, so that "yes" or 1
// is not taken for a choice that was never made.
bool readSwitch(const QVariant &value, bool *on)
{
    if (value.userType() == QMetaType::Bool) {
        *on = value.toBool();
        return true;
    }
    const QString text = value.toString();
    *on = text == QLatin1String("true");
    return *on || text == QLatin1String("false");
}

// Puts the sound option `key` into `given`; false for a key that is none.
bool giveSound(const QString &key, const QVariant &value, sound::Given *given, bool *ok)
{
    const auto option = std::find_if(std::begin(soundKeys), std::end(soundKeys),
                                     [&key](const char *k) { return key == QLatin1String(k); });
    if (option == std::end(soundKeys))
        return false;
    bool *const switches[] = {nullptr, &given->dither, nullptr,          &given->guard,
                              nullptr, nullptr,        &given->together, nullptr};
    std::optional<QString> *const texts[] = {&given->quality, nullptr,           &given->gain,
                                             nullptr,         &given->normalize, &given->loudness,
                                             nullptr,         &given->trimStart};
    const int i = int(option - std::begin(soundKeys));
    if (switches[i])
        *ok = readSwitch(value, switches[i]);
    else
        *texts[i] = value.toString();
    return true;
}

QString soundRefusal(const QVariantMap &given, const sound::Refusal &refusal)
{
    using Kind = sound::Refusal::Kind;
    switch (refusal.kind) {
    case Kind::Value:
        return QCoreApplication::translate("engine", "option %1 cannot be \"%2\"")
            .arg(soundKey(refusal.option), given.value(soundKey(refusal.option)).toString());
    case Kind::BothAim:
    case Kind::AimWith:
        return QCoreApplication::translate("engine", "options %1 and %2 cannot be given together")
            .arg(soundKey(refusal.option), soundKey(refusal.other));
    case Kind::Alone:
        break;
    }
    return QCoreApplication::translate("engine", "option %1 needs %2 or %3")
        .arg(soundKey(sound::Option::Together), soundKey(sound::Option::Normalize),
             soundKey(sound::Option::Loudness));
}

} // namespace

bool readRequestOptions(const QVariantMap &given, RequestOptions *options, QString *error)
{
    RequestOptions read;
    sound::Given sound;
    for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
        const QString text = it.value().toString();
        bool ok = true;
        if (giveSound(it.key(), it.value(), &sound, &ok)) {
            // Read together below, where their rules can see them all.
        } else if (it.key() == QLatin1String("existing")) {
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
        } else if (it.key() == QLatin1String("subfolders")) {
            read.subfolders = it.value().toStringList();
            for (const QString &sub : qAsConst(read.subfolders)) {
                if (!sub.isEmpty() && !inputs::isSubfolder(sub)) {
                    *error = QCoreApplication::translate(
                                 "engine", "option subfolders cannot hold \"%1\": a folder "
                                           "inside the output folder is needed")
                                 .arg(sub);
                    return false;
                }
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
    sound::Refusal refusal;
    if (!sound::readOptions(sound, &read.sound, &refusal)) {
        *error = soundRefusal(given, refusal);
        return false;
    }
    *options = read;
    return true;
}

void applyOptions(const RequestOptions &options, ConvertCommand *request)
{
    request->slot.pad = options.pad;
    request->slot.fadeOutMs = options.fadeOutMs;
    request->slot.startFrame = units::frameAt(options.startNanoseconds, request->sampleRate);
    request->sound = options.sound;
    // A request that keeps its tree already (the command line's) keeps it.
    if (!options.subfolders.isEmpty())
        request->subfolders = options.subfolders;
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
            report.failed(-1, QString(), Outcome::refused(error.message));
        return false;
    }
    applyOptions(options, &c);
    const Plan plan = makePlan(c, options.existing);
    makeTreeFolders(plan);
    runPlan(plan, resampling, report, cancel);
    return true;
}
