// Where the program's qDebug diagnostic lines go in the command-line tool:
// nowhere unless --verbose asks for them.
#pragma once

#include <QString>

class Reporter;

namespace diagnostics {

// Routes Qt's log from now on. Diagnostic lines are held back until show()
// says whether they are wanted; warnings always go to standard error.
void install();
void show(bool verbose);

// A progress line on the terminal makes way for a message.
void setReporter(Reporter *reporter);

} // namespace diagnostics
