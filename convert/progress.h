// Which progress news of one conversion is worth passing on, in a worker's
// answer lines and in the window's signals alike: one per percent where the
// total is known, otherwise one per 2^20 (about a million) samples; with a
// spacing, no more often than that.
#pragma once

#include <QtGlobal>

class ProgressGate
{
public:
    // With `spacingMs`, news passes at most once in that many milliseconds
    // (the first always).
    explicit ProgressGate(qint64 spacingMs = 0) : spacing(spacingMs) {}

    // True when `done` of `total` (0: unknown) has moved on by a step since
    // the last time it said true, and, with a spacing, `nowMs` (any clock's
    // milliseconds) is far enough on; true for the first news.
    bool pass(quint64 done, quint64 total, qint64 nowMs = 0);

private:
    qint64 spacing;
    qint64 lastStep = -1;
    qint64 lastMs = 0;
};

// A worker's rows are often a few milliseconds long: news of them more often
// than the eye follows a bar only keeps the parent busy beside the workers.
constexpr qint64 workerNewsSpacingMs = 50;
