// Runs a plan: every row in turn, each reported as it ends.
#pragma once

#include "convert/outcome.h"
#include "convert/plan.h"
#include "convert/sound.h"

#include <QString>
#include <QVariantMap>
#include <QVector>

#include <atomic>
#include <functional>

class Committer;
class Resampling;

struct BatchReport
{
    // An input is about to be converted; index counts the inputs from 0.
    std::function<void(int index, const QString &input, const QString &output)> started;
    std::function<void(int index, quint64 done, quint64 total)> progress;
    // Samples that libsox clipped while it converted the input, when any.
    std::function<void(int index, quint64 samples)> clipped;
    // A converted input whose output is not all it seems (ConvertHooks::warning);
    // comes before the row's end.
    std::function<void(int index, const QString &text)> warning;
    // The gain that the input's own level chose, and the levels measured
    // (ConvertHooks::gain); comes before the row's end.
    std::function<void(int index, const sound::Level &level)> gain;
    std::function<void(int index, const QString &input, const QString &output)> converted;
    // An input left alone because its output exists, and the rule says to skip.
    std::function<void(int index, const QString &input, const QString &reason)> skipped;
    // An input that did not convert (failed or cancelled), or that the plan
    // refused (Outcome::Kind::Refused), with what became of it. A command that
    // cannot be read at all is reported once, refused, with an empty input.
    std::function<void(int index, const QString &input, const Outcome &outcome)> failed;
    // Not a report but a permission: the processors each conversion may use
    // beside its own (spare::useProcessors).
    int spareProcessors = 0;
};

// Converts the rows of `plan` one after the other. Once `cancel` is set, the
// running row and all after it end cancelled. Where the files share
// one gain (SoundOptions::together), a first round measures every row that
// converts (started, then its progress up to half), and the second converts
// them with the shared gain; a row whose measuring fails ends there.
void runPlan(const Plan &plan, Resampling &resampling, const BatchReport &report,
             const std::atomic_bool *cancel = nullptr);

// Converts one row on its own, as a worker does: reports through `report`
// under the row's index. With a `committer`, its output is put in place
// while the next row converts (Committer).
void runRow(const Plan &plan, const PlanRow &row, Resampling &resampling, const BatchReport &report,
            const std::atomic_bool *cancel = nullptr, Committer *committer = nullptr);

// The shared gain of a request whose files keep their balance: from each
// row's own level (those that measured), the level each gets, and the gains
// its conversion applies.
struct Shared
{
    QVector<sound::Level> levels; // by row index; the rows left out keep theirs
    QVector<SettledGain> gains;
};
Shared shareGain(const Plan &plan, const QVector<sound::Level> &own, const QVector<bool> &measured);

// The two rounds of such a request, one row at a time. The first measures a
// row that converts (reports started and progress, and true with its own
// level, or false with its outcome); the second converts it with the shared
// gain (reports its level, progress and end).
bool measureRow(const Plan &plan, const PlanRow &row, Resampling &resampling,
                const BatchReport &report, const std::atomic_bool *cancel, sound::Level *level,
                Outcome *outcome);
void convertSharedRow(const Plan &plan, const PlanRow &row, Resampling &resampling,
                      const BatchReport &report, const std::atomic_bool *cancel,
                      const Shared &shared, Committer *committer = nullptr);

// What a request may ask beyond its convert command, which cannot carry it.
struct RequestOptions
{
    Existing existing = Existing::Overwrite;
    bool pad = false;
    quint32 fadeOutMs = 0;
    quint64 startNanoseconds = 0; // turned into frames at the command's rate
    // Each input's own start, in the order of the command's inputs; -1, or
    // none, for startNanoseconds.
    QVector<qint64> startsNanoseconds;
    // Each input's folder under the output folder, as inputs::expandTree
    // gives them for a tree; none, or "", for the output folder itself.
    QStringList subfolders;
    SoundOptions sound;
};

// Reads options given by name: "existing" ("overwrite", "skip", "fail"),
// "pad" (true or false), "fadeOutMs" (whole milliseconds) and "start" (a
// time as units::parseDuration reads it), "starts" (a list of such times,
// one per input of the command, "" for "start"), "subfolders" (a list of
// relative folders inside the output folder, one per input, "" for the
// output folder itself: inputs::isSubfolder), and the sound options as
// sound::readOptions checks them: "quality" (a name of sound::qualityNames),
// "dither", "guard" and "together" (true or false), "gainDb",
// "normalizeDbfs", "loudnessLufs" and "trimStartDbfs" (numbers, each asking
// for what it names). Unknown names are refused, so that a misspelt option is
// not silently ignored.
bool readRequestOptions(const QVariantMap &given, RequestOptions *options, QString *error);

// Puts the slot and sound options into `request`: the start becomes a frame
// at the request's rate.
void applyOptions(const RequestOptions &options, ConvertCommand *request);

// Parses `command`, plans it with `options` and runs the plan. Returns false
// when the command itself was refused.
bool runBatch(const QString &command, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel = nullptr, const RequestOptions &options = {});
