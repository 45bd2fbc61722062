// How sabletide-cli names a row's files: to people with no control character
// left to drive their terminal, to scripts with the bytes themselves.
#pragma once

#include "convert/inputs.h"
#include "convert/plan.h"

#include <QFile>
#include <QHash>

namespace names {

// The bytes of the names that a row's text cannot give back (a name the
// locale cannot carry shows its bytes as \xNN), by row index.
using Given = QHash<int, QByteArray>;

inline QByteArray inputBytes(const PlanRow &row, const Given &given)
{
    return given.value(row.index, QFile::encodeName(row.input));
}

inline QString input(const PlanRow &row, const Given &given)
{
    return inputs::shownName(inputBytes(row, given));
}

inline QString output(const PlanRow &row)
{
    return inputs::shownName(QFile::encodeName(row.output));
}

} // namespace names
