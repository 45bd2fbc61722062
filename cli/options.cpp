#include "cli/options.h"

#include "convert/inputs.h"
#include "convert/presets.h"
#include "convert/sound.h"
#include "convert/units.h"
#include "convert/worker.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <unistd.h>
#include <utility>

namespace cli {

namespace {

QString quoted(const QString &option, const QString &value, const QString &why)
{
    return QStringLiteral("%1 \"%2\": %3").arg(option, value, why);
}

// The option's name on the command line, and the value it was given.
QString soundName(sound::Option option)
{
    static const char *const names[] = {"--quality",   "--dither",   "--gain",     "--guard",
                                        "--normalize", "--loudness", "--together", "--trim-start"};
    return QLatin1String(names[int(option)]);
}

QString soundError(const sound::Given &given, const sound::Refusal &refusal)
{
    using Kind = sound::Refusal::Kind;
    switch (refusal.kind) {
    case Kind::Value: {
        const std::optional<QString> values[] = {
            given.quality,  {}, given.gain,     {}, given.normalize,
            given.loudness, {}, given.trimStart};
        return quoted(soundName(refusal.option), values[int(refusal.option)].value_or(QString()),
                      refusal.why);
    }
    case Kind::BothAim:
        return QStringLiteral("%1 and %2 each choose the gain; give one")
            .arg(soundName(refusal.option), soundName(refusal.other));
    case Kind::AimWith:
        return QStringLiteral("%1 chooses the gain itself; remove %2")
            .arg(soundName(refusal.option), soundName(refusal.other));
    case Kind::Alone:
        break;
    }
    return QStringLiteral("%1 is for %2 or %3: give one of them")
        .arg(soundName(sound::Option::Together), soundName(sound::Option::Normalize),
             soundName(sound::Option::Loudness));
}

// The option that fills each numbered position of a convert command.
const char *const positionOption[][2] = {
    {nullptr, nullptr},    {"-r/--rate", "rate"}, {"-c/--channels", "channels"},
    {"-b/--bits", "bits"}, {"-s/--size", "size"}, {"-o/--output-dir", "output-dir"},
    {"--suffix", "suffix"}};

// The engine names the position of a convert command; a user of the tool
// typed options.
QString inOptionTerms(const command::ParseError &e, const QCommandLineParser &parser)
{
    if (e.position < 1 || e.position > 6)
        return e.message;
    const char *const *option = positionOption[e.position];
    return quoted(QLatin1String(option[0]), parser.value(QLatin1String(option[1])),
                  e.field + QLatin1Char(' ') + e.problem);
}

bool readNumber(const QCommandLineParser &parser, const char *name, const char *shown, quint32 min,
                quint32 max, quint32 *value, QString *error)
{
    const QString text = parser.value(QLatin1String(name));
    QString why;
    if (units::parseCount(text, min, max, value, &why, units::Spaces::Refused))
        return true;
    *error = quoted(QLatin1String(shown), text, why);
    return false;
}

// The folders that a listed path keeps under the output folder: those of a
// relative path that stays inside the current folder; none for another.
QString listedFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    if (QDir::isAbsolutePath(clean) || clean == QLatin1String("..") ||
        clean.startsWith(QLatin1String("../")))
        return QString();
    if (QFileInfo(clean).isDir())
        return clean == QLatin1String(".") ? QString() : clean;
    const QString folder = QFileInfo(clean).path();
    return folder == QLatin1String(".") ? QString() : folder;
}

// The paths of a --files-from list: lines (a final newline or none), or
// NUL-separated; empty entries are passed over.
bool readList(const QString &name, bool nulSeparated, QStringList *paths, QString *error)
{
    QFile file;
    const bool opened = name == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *error = quoted(QStringLiteral("--files-from"), name, file.errorString());
        return false;
    }
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = quoted(QStringLiteral("--files-from"), name, file.errorString());
        return false;
    }
    for (QByteArray entry : all.split(nulSeparated ? '\0' : '\n')) {
        if (!nulSeparated && entry.endsWith('\r'))
            entry.chop(1);
        if (!entry.isEmpty())
            paths->append(inputs::decodeArgument(entry));
    }
    return true;
}

bool buildFromOptions(const QCommandLineParser &parser, const inputs::Walk &walk,
                      const QStringList &listed, Options *options, QString *error)
{
    ConvertCommand *c = &options->command;
    QList<inputs::Refused> *refused = &options->refused;
    const bool toStandardOutput = options->toStandardOutput;
    const std::pair<const char *, const char *> required[] = {
        {"rate", "-r/--rate"}, {"channels", "-c/--channels"}, {"bits", "-b/--bits"}};
    // "-r -c 1" gives -r the value "-c": say so, rather than that -c is missing.
    for (const auto &option : required) {
        const QString value = parser.value(QLatin1String(option.first));
        if (parser.isSet(QLatin1String(option.first)) && value.startsWith(QLatin1Char('-')) &&
            value.size() > 1 && !value.at(1).isDigit()) {
            *error = QStringLiteral("%1 needs a value, not the option \"%2\"")
                         .arg(QLatin1String(option.second), value);
            return false;
        }
    }
    for (const auto &option : required) {
        if (!parser.isSet(QLatin1String(option.first))) {
            *error = QStringLiteral("missing %1 (or give a whole --command)")
                         .arg(QLatin1String(option.second));
            return false;
        }
    }
    quint32 rate = 0, channels = 0, bits = 0;
    // The command's own fields are 8 bits wide for the channels and the bits;
    // every other limit is the command parser's to check.
    QString why;
    if (!units::parseRate(parser.value(QStringLiteral("rate")), &rate, &why)) {
        *error = quoted(QStringLiteral("-r/--rate"), parser.value(QStringLiteral("rate")), why);
        return false;
    }
    if (!readNumber(parser, "channels", "-c/--channels", 1, 255, &channels, error) ||
        !readNumber(parser, "bits", "-b/--bits", 0, 255, &bits, error))
        return false;
    // Refused once here rather than for every input.
    if (!units::isWritableDepth(bits)) {
        *error = quoted(QStringLiteral("-b/--bits"), parser.value(QStringLiteral("bits")),
                        QStringLiteral("must be 8, 16, 24 or 32"));
        return false;
    }

    if (parser.isSet(QStringLiteral("size")) && parser.isSet(QStringLiteral("duration"))) {
        *error = QStringLiteral("-s/--size and -d/--duration cannot be used together");
        return false;
    }
    quint32 size = 0;
    if (parser.isSet(QStringLiteral("size")) &&
        !units::parseSize(parser.value(QStringLiteral("size")), &size, &why)) {
        *error = quoted(QStringLiteral("-s/--size"), parser.value(QStringLiteral("size")), why);
        return false;
    }

    // Written in the temporary folder first, then copied out whole.
    QString folder =
        toStandardOutput ? QDir::tempPath() : parser.value(QStringLiteral("output-dir"));
    const QString suffix = parser.value(QStringLiteral("suffix"));
    for (const char *option : {"output-dir", "suffix"}) {
        const QString value = parser.value(QLatin1String(option));
        const QString problem = inputs::decodedProblem(value);
        if (!problem.isEmpty()) {
            *error = quoted(QStringLiteral("--%1").arg(QLatin1String(option)),
                            inputs::shownArgument(value), problem);
            return false;
        }
    }
    if (folder.isEmpty()) {
        *error = QStringLiteral("-o/--output-dir: the folder name is empty");
        return false;
    }
    // The window's convert command cannot carry a ","; the tool refuses the
    // same paths, so that a request given here can be given there too.
    if (folder.contains(QLatin1Char(','))) {
        *error = quoted(QStringLiteral("-o/--output-dir"), folder,
                        QStringLiteral("a path that holds a \",\" cannot be passed in a convert "
                                       "command"));
        return false;
    }
    if (suffix.contains(QLatin1Char(','))) {
        *error = quoted(QStringLiteral("--suffix"), suffix,
                        QStringLiteral("a suffix that holds a \",\" cannot be passed in a "
                                       "convert command"));
        return false;
    }
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists() && !folderInfo.isSymLink()) {
        // Made by the run, as far down as it is missing; not under a file.
        QString above = QFileInfo(QDir::cleanPath(folderInfo.absoluteFilePath())).path();
        while (!QFileInfo::exists(above) && QFileInfo(above).path() != above)
            above = QFileInfo(above).path();
        if (!QFileInfo(above).isDir()) {
            *error = quoted(
                QStringLiteral("-o/--output-dir"), folder,
                QStringLiteral("%1 is not a folder").arg(QDir::current().relativeFilePath(above)));
            return false;
        }
        options->makeOutputFolder = true;
    } else if (!folderInfo.isDir()) {
        *error = quoted(QStringLiteral("-o/--output-dir"), folder,
                        folderInfo.exists() ? QStringLiteral("not a folder")
                                            : QStringLiteral("no such folder"));
        return false;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    const QStringList arguments = parser.positionalArguments() + listed;
    if (arguments.isEmpty()) {
        *error = parser.isSet(QStringLiteral("files-from"))
                     ? QStringLiteral("--files-from: the list names no input")
                     : QStringLiteral("no INPUT given");
        return false;
    }
    // Such a name, decoded, would name another file or none; each argument is
    // judged by its own bytes, so a file whose name merely reads the same
    // still converts.
    QStringList given;
    QList<QPair<QStringList, QString>> groups;
    const int positional = parser.positionalArguments().size();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &input = arguments.at(i);
        const QString problem = inputs::decodedProblem(input);
        if (!problem.isEmpty())
            refused->append({inputs::shownArgument(input), problem, inputs::argumentBytes(input)});
        else if (i < positional)
            given << input;
        // Each listed path on its own, under the folders its relative path
        // names; like a folder's, a list's other files are passed over.
        else if (!QFileInfo(input).isFile() || inputs::isAudioFile(input))
            groups.append({{input}, listedFolder(input)});
    }
    groups.prepend({given, QString()});
    QStringList files;
    QStringList subfolders;
    QList<inputs::Refused> unnamed;
    for (const auto &group : qAsConst(groups)) {
        QStringList found, within;
        QList<inputs::Refused> unnamedHere;
        if (!inputs::expandTree(group.first, walk, &found, &within, error, &unnamedHere))
            return false;
        for (QString &sub : within)
            sub = group.second.isEmpty() ? sub
                  : sub.isEmpty()        ? group.second
                                         : group.second + QLatin1Char('/') + sub;
        files += found;
        subfolders += within;
        unnamed += unnamedHere;
    }
    *refused += unnamed;
    if (files.isEmpty() && refused->isEmpty()) {
        *error = QStringLiteral("nothing to convert: no audio files (%1) in %2")
                     .arg(inputs::audioExtensions().join(QLatin1Char(' ')),
                          given.join(QLatin1String(", ")));
        return false;
    }

    c->sampleRate = rate;
    c->channels = static_cast<quint8>(channels);
    c->bitsPerSample = static_cast<quint8>(bits);
    c->fileSize = size;
    c->outputFolder = folder;
    c->suffix = suffix;
    if (toStandardOutput && files.size() + refused->size() != 1) {
        *error = QStringLiteral("--stdout writes one output; %1 inputs were given")
                     .arg(files.size() + refused->size());
        return false;
    }
    c->inputs = files;
    c->subfolders = toStandardOutput ? QStringList() : subfolders;
    command::ParseError invalid;
    if (!command::validate(*c, &invalid)) {
        *error = inOptionTerms(invalid, parser);
        return false;
    }

    if (parser.isSet(QStringLiteral("duration"))) {
        const QString text = parser.value(QStringLiteral("duration"));
        quint64 nanos = 0;
        if (!units::parseDuration(text, &nanos, &why) ||
            !units::sizeForDuration(nanos, c->sampleRate, c->channels, c->bitsPerSample,
                                    &c->fileSize, &why)) {
            *error = quoted(QStringLiteral("-d/--duration"), text, why);
            return false;
        }
    }
    return true;
}

} // namespace

// The person's own presets, as the window keeps them.
static QVariantList ownPresets()
{
    QSettings settings(presets::windowSettingsFile(), QSettings::NativeFormat);
    return presets::readOwn(settings);
}

static bool isOwnName(const QVariant &own, const QString &name)
{
    return own.toMap()
               .value(QStringLiteral("name"))
               .toString()
               .trimmed()
               .compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

// The built-in preset called `name`: its whole name, or the words before its
// ":" ("voice prompt"), without regard to case.
static const presets::Preset *findBuiltIn(const QString &name)
{
    for (const presets::Preset &p : presets::builtIn()) {
        if (p.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0 ||
            p.name.section(QLatin1Char(':'), 0, 0).compare(name.trimmed(), Qt::CaseInsensitive) ==
                0)
            return &p;
    }
    return nullptr;
}

// The preset called `name`: one of the person's own of that name (without
// regard to case) wins, since it was saved for this use; else a built-in.
static bool findPreset(const QString &name, presets::Preset *found, QString *error)
{
    for (const QVariant &own : ownPresets()) {
        if (!isOwnName(own, name))
            continue;
        QString why;
        if (presets::fromKept(own.toMap(), found, &why))
            return true;
        *error = quoted(
            QStringLiteral("--preset"), name,
            QStringLiteral("your preset's %1 (in %2)").arg(why, presets::windowSettingsFile()));
        return false;
    }
    if (const presets::Preset *builtIn = findBuiltIn(name)) {
        *found = *builtIn;
        return true;
    }
    *error = quoted(QStringLiteral("--preset"), name,
                    QStringLiteral("no such preset; --list-presets lists them"));
    return false;
}

// A preset's values as the options that give them, to stand before the
// user's own, which then win (a later option replaces an earlier one). A
// size or duration of the user's replaces the preset's of either kind, and a
// gain, guard or level target of the user's replaces the preset's choice of
// gain.
static QStringList presetArguments(const presets::Preset &p, bool sizeGiven, bool gainGiven)
{
    // A preset of one's own may leave a field out: the option is then the user's to give.
    QStringList args;
    const std::pair<const char *, quint32> format[] = {
        {"--rate", p.rate}, {"--channels", p.channels}, {"--bits", p.bits}};
    for (const auto &field : format) {
        if (field.second > 0)
            args << QLatin1String(field.first) << QString::number(field.second);
    }
    args << QStringLiteral("--suffix") << p.suffix;
    if (!sizeGiven && p.byDuration && p.seconds > 0)
        args << QStringLiteral("--duration") << QString::number(p.seconds, 'f', 9);
    else if (!sizeGiven && p.bytes > 0)
        args << QStringLiteral("--size") << QString::number(p.bytes);
    if (p.pad)
        args << QStringLiteral("--pad");
    if (p.fadeOutMs > 0)
        args << QStringLiteral("--fade-out") << QString::number(p.fadeOutMs);
    SoundOptions wanted = p.sound;
    if (gainGiven) {
        wanted.gainDb = 0;
        wanted.guard = wanted.normalize = wanted.loudness = wanted.together = false;
    }
    const SoundOptions s = sound::effective(wanted);
    if (s.quality != SoundOptions::Quality::High)
        args << QStringLiteral("--quality") << sound::qualityName(s.quality);
    const std::pair<bool, const char *> switches[] = {
        {s.dither, "--dither"}, {s.guard, "--guard"}, {s.together, "--together"}};
    for (const auto &on : switches) {
        if (on.first)
            args << QLatin1String(on.second);
    }
    const std::pair<bool, double> levels[] = {{s.gainDb != 0, s.gainDb},
                                              {s.normalize, s.normalizeDbfs},
                                              {s.loudness, s.loudnessLufs},
                                              {s.trimStart, s.trimStartDbfs}};
    const char *const levelNames[] = {"--gain", "--normalize", "--loudness", "--trim-start"};
    for (int i = 0; i < int(std::size(levels)); ++i) {
        if (levels[i].first)
            args << QLatin1String(levelNames[i]) << QString::number(levels[i].second);
    }
    return args;
}

// The built-in presets, then the person's own under a line that says where
// they are kept; one of one's own that takes a built-in's short name says so.
static QString presetList()
{
    QString text;
    for (const presets::Preset &p : presets::builtIn())
        text += p.name + QLatin1Char('\n');
    const QVariantList own = ownPresets();
    if (own.isEmpty())
        return text;
    text += QStringLiteral("\nYour own, saved by the window in %1:\n")
                .arg(presets::windowSettingsFile());
    for (const QVariant &p : own) {
        const QString name = p.toMap().value(QStringLiteral("name")).toString();
        const presets::Preset *hidden = findBuiltIn(name);
        text += hidden ? QStringLiteral("%1 (used instead of the built-in \"%2\")\n")
                             .arg(name, hidden->name)
                       : name + QLatin1Char('\n');
    }
    return text;
}

static bool parseWith(const QStringList &arguments, Options *options, QString *error,
                      bool presetApplied)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts audio files into signed-integer PCM WAV files of one format and "
                       "one exact size."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Print the version and exit."));
    QCommandLineOption worker(QStringLiteral("worker"));
    worker.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({
        {{QStringLiteral("r"), QStringLiteral("rate")},
         QStringLiteral("Sample rate of the output in Hz (1 to %1).").arg(command::maxSampleRate),
         QStringLiteral("HZ")},
        {{QStringLiteral("c"), QStringLiteral("channels")},
         QStringLiteral("Channel count of the output (1 to 255)."),
         QStringLiteral("N")},
        {{QStringLiteral("b"), QStringLiteral("bits")},
         QStringLiteral("Bits per sample of the output: 8, 16, 24 or 32."),
         QStringLiteral("N")},
        {{QStringLiteral("s"), QStringLiteral("size")},
         QStringLiteral("Exact total size of each output file, header included: bytes, or with "
                        "a unit (64KiB, 1.5MiB, 2GiB; kB, MB, GB count in 1000s). Default: the "
                        "whole input."),
         QStringLiteral("SIZE")},
        {{QStringLiteral("d"), QStringLiteral("duration")},
         QStringLiteral("Size each output to hold this many whole sample frames: seconds, "
                        "mm:ss.fff or h:mm:ss.fff."),
         QStringLiteral("TIME")},
        {{QStringLiteral("o"), QStringLiteral("output-dir")},
         QStringLiteral("Folder that receives the outputs (default: the current folder)."),
         QStringLiteral("DIR"),
         QStringLiteral(".")},
        {QStringLiteral("suffix"),
         QStringLiteral("Text added to each output's name before \".wav\"."),
         QStringLiteral("TEXT")},
        {QStringLiteral("pad"),
         QStringLiteral("Follow a sound shorter than the size with silence up to the size.")},
        {QStringLiteral("fade-out"),
         QStringLiteral("Where the size cuts the sound, fade its last MS milliseconds out to "
                        "silence (default 0: no fade)."),
         QStringLiteral("MS")},
        {QStringLiteral("start"),
         QStringLiteral("Start each output this far into the converted sound: seconds, "
                        "mm:ss.fff or h:mm:ss.fff."),
         QStringLiteral("TIME")},
        {QStringLiteral("quality"),
         QStringLiteral("Quality of the resampler where the rate changes (default: high)."),
         sound::qualityNames().join(QLatin1Char('|')), QStringLiteral("high")},
        {QStringLiteral("dither"),
         QStringLiteral("Add triangular dither where the depth drops below the sound's, as the "
                        "sox command does by default.")},
        {QStringLiteral("gain"),
         QStringLiteral("Change the level by DB decibels (-%1 to %1), as the sox command's gain "
                        "effect before rate and channels.")
             .arg(sound::maxGainDb),
         QStringLiteral("DB")},
        {QStringLiteral("guard"),
         QStringLiteral("Lower the gain of each input just enough that no sample clips "
                        "(measured in a first pass).")},
        {QStringLiteral("normalize"),
         QStringLiteral("Give each output the gain that brings the peak of what it holds to "
                        "DBFS (%1 to 0), measured in a first pass.")
             .arg(sound::minPeakDbfs),
         QStringLiteral("DBFS")},
        {QStringLiteral("loudness"),
         QStringLiteral("Give each output the gain that brings its integrated loudness (EBU "
                        "R128) to LUFS (%1 to %2), as far as a true peak of %3 dBTP allows.")
             .arg(sound::minLoudnessLufs)
             .arg(sound::maxLoudnessLufs)
             .arg(sound::truePeakCeilingDbtp),
         QStringLiteral("LUFS")},
        {QStringLiteral("together"),
         QStringLiteral("With --normalize or --loudness: one gain for all the inputs, so that "
                        "they keep their balance (the loudest reaches the level).")},
        {QStringLiteral("trim-start"),
         QStringLiteral("Begin each sound at its first sample above DBFS (below 0), before "
                        "--start is counted."),
         QStringLiteral("DBFS")},
        {QStringLiteral("command"),
         QStringLiteral("Run one convert command (\"$DoConvert,...\") exactly as the window "
                        "sends it."),
         QStringLiteral("TEXT")},
        {{QStringLiteral("n"), QStringLiteral("dry-run")},
         QStringLiteral("Print each input's output path and the size it will really have, and "
                        "what would be skipped or refused; convert nothing.")},
        {QStringLiteral("existing"),
         QStringLiteral("What to do where an output file exists already: overwrite it "
                        "(default), skip the input, or fail the input."),
         QStringLiteral("overwrite|skip|fail"), QStringLiteral("overwrite")},
        {{QStringLiteral("R"), QStringLiteral("recursive")},
         QStringLiteral("Walk folders to any depth; each output keeps the input's place in the "
                        "tree under the output folder.")},
        {QStringLiteral("follow-links"),
         QStringLiteral("With -R, walk into links to folders too (each folder once).")},
        {QStringLiteral("files-from"),
         QStringLiteral("Read more inputs from FILE (\"-\": the standard input), one per line; "
                        "a relative path keeps its folders under the output folder."),
         QStringLiteral("FILE")},
        {{QStringLiteral("0"), QStringLiteral("null")},
         QStringLiteral("The --files-from list is separated by NUL bytes.")},
        {QStringLiteral("preset"),
         QStringLiteral("Start from a preset: one of your own that the window saved, or a "
                        "built-in one (its name, or the words before its \":\"); options "
                        "given beside it win."),
         QStringLiteral("NAME")},
        {QStringLiteral("list-presets"),
         QStringLiteral("List the built-in presets, then your own, and exit.")},
        {QStringLiteral("stdout"),
         QStringLiteral("Write the one output to standard output, for a pipe or a redirection "
                        "(the same as an output folder of \"-\").")},
        {QStringLiteral("json"),
         QStringLiteral("Print one JSON object per input on standard output, for scripts.")},
        {{QStringLiteral("j"), QStringLiteral("jobs")},
         QStringLiteral("Convert up to N inputs at once (default: as many as the work pays "
                        "for, at most one per processor)."),
         QStringLiteral("N")},
        {{QStringLiteral("q"), QStringLiteral("quiet")},
         QStringLiteral("Print nothing but errors.")},
        {{QStringLiteral("v"), QStringLiteral("verbose")},
         QStringLiteral("Print the program's diagnostic lines as well.")},
        help,
        versionOption,
        worker,
    });
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("Audio file, or folder whose audio files are "
                                                "converted (its subfolders too with -R)."),
                                 QStringLiteral("INPUT..."));

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("preset")) && !presetApplied && !parser.isSet(help)) {
        presets::Preset preset;
        if (!findPreset(parser.value(QStringLiteral("preset")), &preset, error))
            return false;
        const bool sizeGiven =
            parser.isSet(QStringLiteral("size")) || parser.isSet(QStringLiteral("duration"));
        bool gainGiven = false;
        for (const char *name : {"gain", "guard", "normalize", "loudness"})
            gainGiven = gainGiven || parser.isSet(QLatin1String(name));
        return parseWith(arguments.mid(0, 1) + presetArguments(preset, sizeGiven, gainGiven) +
                             arguments.mid(1),
                         options, error, true);
    }
    options->helpText = parser.helpText();
    if (parser.isSet(QStringLiteral("list-presets"))) {
        options->action = Options::Action::ListPresets;
        options->helpText = presetList();
        return true;
    }
    options->quiet = parser.isSet(QStringLiteral("quiet"));
    options->verbose = parser.isSet(QStringLiteral("verbose"));
    if (parser.isSet(help)) {
        options->action = Options::Action::Help;
        return true;
    }
    if (parser.isSet(versionOption)) {
        options->action = Options::Action::Version;
        return true;
    }
    if (parser.isSet(worker)) {
        options->action = Options::Action::Worker;
        return true;
    }
    options->action = Options::Action::Convert;
    options->dryRun = parser.isSet(QStringLiteral("dry-run"));
    options->json = parser.isSet(QStringLiteral("json"));
    options->toStandardOutput = parser.isSet(QStringLiteral("stdout")) ||
                                parser.value(QStringLiteral("output-dir")) == QLatin1String("-");
    if (options->toStandardOutput) {
        if (parser.isSet(QStringLiteral("stdout")) && parser.isSet(QStringLiteral("output-dir")) &&
            parser.value(QStringLiteral("output-dir")) != QLatin1String("-")) {
            *error = QStringLiteral("--stdout and -o/--output-dir cannot be used together");
            return false;
        }
        if (options->json || parser.isSet(QStringLiteral("suffix")) ||
            parser.isSet(QStringLiteral("command"))) {
            *error = QStringLiteral("--stdout cannot be used with --json, --suffix or --command");
            return false;
        }
        if (!options->dryRun && ::isatty(STDOUT_FILENO)) {
            *error = QStringLiteral("--stdout: standard output is a terminal; redirect it to a "
                                    "file or a pipe, or give -o DIR");
            return false;
        }
    }
    if (!parseExisting(parser.value(QStringLiteral("existing")), &options->existing)) {
        *error = quoted(QStringLiteral("--existing"), parser.value(QStringLiteral("existing")),
                        QStringLiteral("must be overwrite, skip or fail"));
        return false;
    }

    quint32 jobs = quint32(qBound(1, QThread::idealThreadCount(), int(worker::maxWorkers)));
    if (parser.isSet(QStringLiteral("jobs"))) {
        QString why;
        if (!units::parseCount(parser.value(QStringLiteral("jobs")), 1, worker::maxWorkers, &jobs,
                               &why)) {
            *error = quoted(QStringLiteral("-j/--jobs"), parser.value(QStringLiteral("jobs")), why);
            return false;
        }
    }
    options->jobs = int(jobs);
    options->jobsGiven = parser.isSet(QStringLiteral("jobs"));

    SlotOptions slot;
    slot.pad = parser.isSet(QStringLiteral("pad"));
    if (parser.isSet(QStringLiteral("fade-out"))) {
        QString why;
        if (!units::parseCount(parser.value(QStringLiteral("fade-out")), 0, 3600000,
                               &slot.fadeOutMs, &why)) {
            *error =
                quoted(QStringLiteral("--fade-out"), parser.value(QStringLiteral("fade-out")), why);
            return false;
        }
    }
    quint64 startNanos = 0;
    if (parser.isSet(QStringLiteral("start"))) {
        QString why;
        if (!units::parseDuration(parser.value(QStringLiteral("start")), &startNanos, &why)) {
            *error = quoted(QStringLiteral("--start"), parser.value(QStringLiteral("start")), why);
            return false;
        }
    }

    sound::Given given;
    given.quality = parser.value(QStringLiteral("quality"));
    const auto text = [&parser](const char *name) -> std::optional<QString> {
        if (!parser.isSet(QLatin1String(name)))
            return std::nullopt;
        return parser.value(QLatin1String(name));
    };
    given.dither = parser.isSet(QStringLiteral("dither"));
    given.gain = text("gain");
    given.guard = parser.isSet(QStringLiteral("guard"));
    given.normalize = text("normalize");
    given.loudness = text("loudness");
    given.together = parser.isSet(QStringLiteral("together"));
    given.trimStart = text("trim-start");
    SoundOptions sound;
    sound::Refusal refusal;
    if (!sound::readOptions(given, &sound, &refusal)) {
        *error = soundError(given, refusal);
        return false;
    }

    if (parser.isSet(QStringLiteral("command"))) {
        for (const char *other :
             {"rate", "channels", "bits", "size", "duration", "output-dir", "suffix"}) {
            if (parser.isSet(QLatin1String(other))) {
                *error = QStringLiteral("--command cannot be used together with --%1")
                             .arg(QLatin1String(other));
                return false;
            }
        }
        if (!parser.positionalArguments().isEmpty()) {
            *error = QStringLiteral("--command names its inputs itself; remove \"%1\"")
                         .arg(parser.positionalArguments().constFirst());
            return false;
        }
        QString why;
        const QString problem = inputs::decodedProblem(parser.value(QStringLiteral("command")));
        if (!problem.isEmpty()) {
            *error = QStringLiteral("--command: %1").arg(problem);
            return false;
        }
        if (!command::parse(parser.value(QStringLiteral("command")), &options->command, &why)) {
            *error = QStringLiteral("--command: %1").arg(why);
            return false;
        }
    } else {
        inputs::Walk walk;
        walk.recursive = parser.isSet(QStringLiteral("recursive"));
        walk.followLinks = parser.isSet(QStringLiteral("follow-links"));
        if (walk.followLinks && !walk.recursive) {
            *error = QStringLiteral("--follow-links is for -R/--recursive");
            return false;
        }
        QStringList listed;
        if (parser.isSet(QStringLiteral("files-from")) &&
            !readList(parser.value(QStringLiteral("files-from")),
                      parser.isSet(QStringLiteral("null")), &listed, error))
            return false;
        if (parser.isSet(QStringLiteral("null")) && !parser.isSet(QStringLiteral("files-from"))) {
            *error = QStringLiteral("-0/--null is for --files-from");
            return false;
        }
        if (!buildFromOptions(parser, walk, listed, options, error))
            return false;
    }
    // The start counts frames of the output, whose rate is known only now.
    slot.startFrame = units::frameAt(startNanos, options->command.sampleRate);
    options->command.slot = slot;
    options->command.sound = sound;
    return true;
}

bool parseArguments(const QStringList &arguments, Options *options, QString *error)
{
    return parseWith(arguments, options, error, false);
}

} // namespace cli
