// A planned row as named figures for whoever shows a plan: the word of its
// status, and its figures as a map (numbers as doubles, which QML and JSON
// carry exactly below 2^53).
#pragma once

#include "convert/command.h"
#include "convert/plan.h"

#include <QJsonObject>
#include <QString>
#include <QVariantMap>

namespace planmap {

// "convert", "skip" or "refused".
QString statusName(PlanRow::Status status);

// The row's input and output, status and reason, its size, where its slot
// lies in frames and seconds at the request's rate, and what the input's
// header said ("facts"), named for the window ("bytesExact").
QVariantMap rowMap(const ConvertCommand &request, const PlanRow &row);

// The same figures named for scripts ("bytes_exact"), the facts as
// "input_facts" (empty where the input did not open), the padding in bytes
// alone.
QJsonObject rowJson(const ConvertCommand &request, const PlanRow &row);

} // namespace planmap
