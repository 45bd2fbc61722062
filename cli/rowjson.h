// One JSON object per input, for scripts that read sabletide-cli's results.
#pragma once

#include "convert/plan.h"

#include <QByteArray>

namespace rowjson {

// The status words of a row: a dry run says what will happen ("convert",
// "skip", "refused"), a real run what did ("converted", "skipped", "refused",
// "failed", "cancelled").
QByteArray line(const Plan &plan, const PlanRow &row, const QString &status, quint64 bytes,
                const QString &reason, quint64 clipped = 0, const QString &warning = QString());

} // namespace rowjson
