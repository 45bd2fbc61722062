// The program's own diagnostics, by what they are about, each switched by
// QT_LOGGING_RULES ("sabletide.chain.debug=false") and, in the command-line
// tool, by -v. The lines that the conversion's contract names (the command,
// "str", each effect added, "sizeData") stay in the default category.
#pragma once

#include <QLoggingCategory>

// A conversion: why it failed, the level it measured, an input cut short.
Q_DECLARE_LOGGING_CATEGORY(lcChain)
// libsox's own complaints and warnings.
Q_DECLARE_LOGGING_CATEGORY(lcSox)
// The rows that a plan refused or skipped.
Q_DECLARE_LOGGING_CATEGORY(lcBatch)
// Worker processes: those that cannot start, or whose answers cannot be read.
Q_DECLARE_LOGGING_CATEGORY(lcWorker)
// The slot preview's sound output.
Q_DECLARE_LOGGING_CATEGORY(lcPreview)

namespace logging {

// The rules of the command-line tool: its own diagnostics and the default
// category's lines only with -v. QT_LOGGING_RULES still overrides them.
QString cliRules(bool verbose);

} // namespace logging
