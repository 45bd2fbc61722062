// Runs one convert command: every input in turn, each reported as it ends.
#pragma once

#include <QString>

#include <atomic>
#include <functional>

class Resampling;

struct BatchReport
{
    // An input is about to be converted; index counts the inputs from 0.
    std::function<void(int index, const QString &input, const QString &output)> started;
    std::function<void(int index, quint64 done, quint64 total)> progress;
    std::function<void(int index, const QString &input, const QString &output)> converted;
    // An input that did not convert, with the reason. A command that cannot be
    // read at all is reported once, with an empty input.
    std::function<void(int index, const QString &input, const QString &reason)> failed;
};

// Parses `command` and converts its inputs one after the other. Once `cancel`
// is set, the running input and all after it fail with "cancelled". Returns
// false when the command itself was refused.
// With `onlyInput` at 0 or more, only that input is converted and reported,
// with the rest of the command still counting for the rules that look at the
// whole request: a worker process that runs one input of a larger request
// then decides exactly as a run of the whole request would.
bool runBatch(const QString &command, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel = nullptr, int onlyInput = -1);
