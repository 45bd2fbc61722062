#include "convert/progress.h"

bool ProgressGate::pass(quint64 done, quint64 total, qint64 nowMs)
{
    const qint64 step =
        total > 0 ? qint64(qMin<quint64>(100, done * 100 / total)) : qint64(done >> 20);
    if (step == lastStep)
        return false;
    if (lastStep >= 0 && spacing > 0 && nowMs - lastMs < spacing)
        return false;
    lastStep = step;
    lastMs = nowMs;
    return true;
}
