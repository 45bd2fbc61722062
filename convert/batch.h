// Runs a plan: every row in turn, each reported as it ends.
#pragma once

#include "convert/plan.h"

#include <QString>

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
    std::function<void(int index, const QString &input, const QString &output)> converted;
    // An input left alone because its output exists, and the rule says to skip.
    std::function<void(int index, const QString &input, const QString &reason)> skipped;
    // An input that did not convert, or that the plan refused, with the reason.
    // A command that cannot be read at all is reported once, with an empty input.
    std::function<void(int index, const QString &input, const QString &reason)> failed;
};

// Converts the rows of `plan` one after the other. Once `cancel` is set, the
// running row and all after it fail with "cancelled".
void runPlan(const Plan &plan, Resampling &resampling, const BatchReport &report,
             const std::atomic_bool *cancel = nullptr);

// Converts one row on its own, as a worker does: reports through `report`
// under the row's index.
void runRow(const Plan &plan, const PlanRow &row, Resampling &resampling, const BatchReport &report,
            const std::atomic_bool *cancel = nullptr);

// Parses `command`, plans it (an existing output is replaced) and runs the
// plan. Returns false when the command itself was refused.
bool runBatch(const QString &command, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel = nullptr);
