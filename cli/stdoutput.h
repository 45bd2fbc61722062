// Standard output of sabletide-cli, which carries the --json rows, the dry
// run's plan, --help and --version: a report that cannot be written is a
// failure, as it is for cat or sort.
#pragma once

#include <QByteArray>
#include <QString>

namespace stdoutput {

// Call before anything opens a file. A closed standard output gets /dev/null
// in its place, so that no file the program opens takes descriptor 1 and the
// reports with it; writing a report then fails with EBADF, as it would have.
void claim();

// Writes the bytes and flushes them. False once standard output has failed,
// from then on.
bool write(const QByteArray &bytes);

// Flushes and closes standard output at the end, as GNU's close_stdout does:
// false when something written was lost.
bool close();

// errno of the first failure, or 0.
int error();

// What to tell the user of the failure: empty for a reader that went away
// (EPIPE), which asked for no more.
QString message();

} // namespace stdoutput
