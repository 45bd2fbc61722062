#include "convert/progress.h"

bool ProgressGate::pass(quint64 done, quint64 total)
{
    const qint64 step =
        total > 0 ? qint64(qMin<quint64>(100, done * 100 / total)) : qint64(done >> 20);
    if (step == lastStep)
        return false;
    lastStep = step;
    return true;
}
