// Which progress news of one conversion is worth passing on, in a worker's
// answer lines and in the window's signals alike: one per percent where the
// total is known, otherwise one per 2^20 (about a million) samples.
#pragma once

#include <QtGlobal>

class ProgressGate
{
public:
    // True when `done` of `total` (0: unknown) has moved on by a step since
    // the last time it said true; true for the first news.
    bool pass(quint64 done, quint64 total);

private:
    qint64 lastStep = -1;
};
