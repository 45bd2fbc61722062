// Runs a plan: every row in turn, each reported as it ends.
#pragma once

#include "convert/plan.h"

#include <QString>
#include <QVariantMap>
#include <QVector>

#include <atomic>
#include <functional>

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
    // The gain that the input's own level chose (ConvertHooks::gain).
    std::function<void(int index, double db)> gain;
    std::function<void(int index, const QString &input, const QString &output)> converted;
    // An input left alone because its output exists, and the rule says to skip.
    std::function<void(int index, const QString &input, const QString &reason)> skipped;
    // An input that did not convert, or that the plan refused, with the reason.
    // A command that cannot be read at all is reported once, with an empty input.
    std::function<void(int index, const QString &input, const QString &reason)> failed;
    // Not a report but a permission: the processors each conversion may use
    // beside its own (spare::useProcessors).
    int spareProcessors = 0;
};

// Converts the rows of `plan` one after the other. Once `cancel` is set, the
// running row and all after it fail with "cancelled".
void runPlan(const Plan &plan, Resampling &resampling, const BatchReport &report,
             const std::atomic_bool *cancel = nullptr);

// Converts one row on its own, as a worker does: reports through `report`
// under the row's index.
void runRow(const Plan &plan, const PlanRow &row, Resampling &resampling, const BatchReport &report,
            const std::atomic_bool *cancel = nullptr);

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
};

// Reads options given by name: "existing" ("overwrite", "skip", "fail"),
// "pad" (true or false), "fadeOutMs" (whole milliseconds) and "start" (a
// time as units::parseDuration reads it), "starts" (a list of such times,
// one per input of the command, "" for "start"). Unknown names are refused, so that
// a misspelt option is not silently ignored.
bool readRequestOptions(const QVariantMap &given, RequestOptions *options, QString *error);

// Puts the slot options into `request`: the start becomes a frame at the
// request's rate.
void applyOptions(const RequestOptions &options, ConvertCommand *request);

// Parses `command`, plans it with `options` and runs the plan. Returns false
// when the command itself was refused.
bool runBatch(const QString &command, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel = nullptr, const RequestOptions &options = {});
