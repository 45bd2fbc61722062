// One JSON object per input, for scripts that read sabletide-cli's results.
#pragma once

#include "convert/plan.h"
#include "convert/sound.h"

#include <QByteArray>

namespace rowjson {

// The status words of a row: a dry run says what will happen ("convert",
// "skip", "refused"), a real run what did ("converted", "skipped", "refused",
// "failed", "cancelled").
// `inputBytes` are the bytes of the input's name; where its text does not
// give them back as UTF-8, "input_hex" holds them (and "output_hex" the
// output's), so that no two names read the same. `level`: what the input's
// measuring found and the gain it chose, where it was measured.
QByteArray line(const Plan &plan, const PlanRow &row, const QString &status, quint64 bytes,
                const QString &reason, quint64 clipped, const QByteArray &inputBytes,
                const QString &warning = QString(), const sound::Level *level = nullptr);

} // namespace rowjson
