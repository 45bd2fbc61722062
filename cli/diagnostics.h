// Where the program's diagnostic lines go in the command-line tool: to
// standard error, and only with --verbose (logging::cliRules), or where
// QT_LOGGING_RULES switches a category on.
#pragma once

#include <QString>

class Reporter;

namespace diagnostics {

// Routes Qt's log from now on, with the diagnostic lines off until show()
// says whether they are wanted; warnings always go to standard error.
void install();
void show(bool verbose);

// A progress line on the terminal makes way for a message.
void setReporter(Reporter *reporter);

} // namespace diagnostics
