// The command line of sabletide-cli, read into the convert command it stands for.
#pragma once

#include "convert/command.h"
#include "convert/inputs.h"
#include "convert/plan.h"

#include <QString>
#include <QStringList>

namespace cli {

// Exit statuses. An interrupted run exits with 128 + the signal's number.
enum Exit {
    exitConverted = 0, // every input converted (or nothing to convert)
    exitSomeFailed = 1,
    exitUsage = 2, // bad option or value, malformed convert command
};

inline constexpr char version[] = SABLETIDE_VERSION;

struct Options
{
    enum class Action { Convert, Help, Version, Worker, ListPresets };
    Action action = Action::Convert;
    ConvertCommand command;
    Existing existing = Existing::Overwrite;
    bool dryRun = false;
    bool json = false;
    bool quiet = false;
    bool verbose = false;
    int jobs = 1;
    bool jobsGiven = false; // -j/--jobs was on the command line
    QString helpText; // or the presets' list
    // Inputs that cannot be converted under the name they arrived with (the
    // locale cannot carry it); each counts as a failed input.
    QList<inputs::Refused> refused;
    // -o names a folder that does not exist yet: the run makes it.
    bool makeOutputFolder = false;
    // The one output goes to standard output (--stdout, or -o -).
    bool toStandardOutput = false;
};

// Reads `arguments` (the program name first) into `options`: folders among
// the inputs are opened up and the values are checked by the same rules that
// check the window's convert commands. On a usage error returns false with a
// message that names the option or value at fault.
// The arguments are decoded by inputs::decodeArgument: one whose bytes the
// locale cannot carry is refused as an input, and is an error elsewhere.
bool parseArguments(const QStringList &arguments, Options *options, QString *error);

} // namespace cli
