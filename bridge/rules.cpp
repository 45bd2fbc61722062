#include "bridge/rules.h"

#include "convert/batch.h"
#include "convert/command.h"
#include "convert/inputs.h"
#include "convert/placement.h"
#include "convert/plan.h"
#include "convert/planmap.h"
#include "convert/presets.h"
#include "convert/sound.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSettings>

namespace {

// QML hands over plain numbers; a negative one is no count of anything.
quint32 count(int n)
{
    return n > 0 ? quint32(n) : 0u;
}

QVariantMap answer(bool ok, const char *name, QVariant value, const QString &error)
{
    return {{QStringLiteral("ok"), ok},
            {QLatin1String(name), ok ? value : QVariant(0)},
            {QStringLiteral("error"), ok ? QString() : error}};
}

QVariantMap countAnswer(const QString &text, quint32 max)
{
    quint32 value = 0;
    QString error;
    const bool ok = units::parseCount(text, 1, max, &value, &error);
    return answer(ok, "value", value, error);
}

// The expansion's reasons begin with the path they are about; the window
// shows that path already.
QString reasonAbout(const QString &path, const QString &error)
{
    const QString prefix = path + QStringLiteral(": ");
    return error.startsWith(prefix) ? error.mid(prefix.size()) : error;
}

QVariantMap refusal(const QString &path, const QString &reason, bool empty)
{
    return {{QStringLiteral("path"), path},
            {QStringLiteral("reason"), reason},
            {QStringLiteral("empty"), empty}};
}

// The plan that the run of `text` with `given` options would follow. The
// options reach the command's slot as runBatch hands them on.
bool planOf(const QString &text, const QVariantMap &given, Plan *plan, QString *error)
{
    ConvertCommand c;
    command::ParseError parseError;
    if (!command::parse(text, &c, &parseError)) {
        *error = parseError.message;
        return false;
    }
    RequestOptions options;
    if (!readRequestOptions(given, &options, error))
        return false;
    applyOptions(options, &c);
    *plan = makePlan(c, options.existing);
    return true;
}

} // namespace

Rules::Rules(QObject *parent) : QObject(parent)
{
    // One scan at a time: the answers then come in the order of the drops.
    scans.setMaxThreadCount(1);
    planners.setMaxThreadCount(1);
}

Rules::~Rules()
{
    scans.clear();
    planners.clear();
    scans.waitForDone();
    planners.waitForDone();
}

int Rules::headerBytes() const
{
    return int(units::headerBytes);
}

double Rules::maxFileBytes() const
{
    return double(units::maxFileBytes);
}

int Rules::maxSampleRate() const
{
    return int(command::maxSampleRate);
}

int Rules::maxChannels() const
{
    return int(command::maxChannels);
}

QStringList Rules::audioExtensions() const
{
    return inputs::audioExtensions();
}

QVariantList Rules::presets() const
{
    QVariantList list;
    for (const presets::Preset &p : presets::builtIn()) {
        list << QVariantMap{
            {QStringLiteral("name"),
             QCoreApplication::translate("presets", p.name.toUtf8().constData())},
            {QStringLiteral("rate"), p.rate},
            {QStringLiteral("channels"), p.channels},
            {QStringLiteral("bits"), p.bits},
            {QStringLiteral("durationMode"), p.byDuration},
            {QStringLiteral("duration"), p.byDuration ? QString::number(p.seconds) : QString()},
            {QStringLiteral("size"), p.byDuration ? QString() : QString::number(p.bytes)},
            {QStringLiteral("suffix"), p.suffix},
            {QStringLiteral("pad"), p.pad},
            {QStringLiteral("fadeOutMs"), p.fadeOutMs},
            {QStringLiteral("normalize"), p.sound.loudness    ? QStringLiteral("loudness")
                                          : p.sound.normalize ? QStringLiteral("peak")
                                                              : QStringLiteral("off")},
            {QStringLiteral("peakDbfs"),
             p.sound.normalize ? QString::number(p.sound.normalizeDbfs) : QString()},
            {QStringLiteral("loudnessLufs"),
             p.sound.loudness ? QString::number(p.sound.loudnessLufs) : QString()},
            {QStringLiteral("together"), p.sound.together},
            {QStringLiteral("guard"), p.sound.guard},
            {QStringLiteral("dither"), p.sound.dither},
            {QStringLiteral("quality"), sound::qualityName(p.sound.quality)},
            {QStringLiteral("trimStart"), p.sound.trimStart},
            {QStringLiteral("trimStartDbfs"),
             p.sound.trimStart ? QString::number(p.sound.trimStartDbfs) : QString()},
        };
    }
    return list;
}

// The application's own settings: the window names itself as
// presets::windowSettingsFile() says, a test by a name of its own.
QVariantList Rules::ownPresets() const
{
    QSettings settings;
    return presets::readOwn(settings);
}

QString Rules::keepOwnPresets(const QVariantList &own) const
{
    QSettings settings;
    QString error;
    return presets::writeOwn(settings, own, &error) ? QString() : error;
}

QString Rules::outputPath(const QString &input, const QString &folder, const QString &suffix) const
{
    return command::outputPath(input, folder, suffix);
}

bool Rules::isAudioFileName(const QString &name) const
{
    return inputs::isAudioFileName(name);
}

int Rules::frameBytes(int channels, int bits) const
{
    return int(units::frameBytes(count(channels), count(bits)));
}

QVariantMap Rules::checkRate(const QString &text) const
{
    return countAnswer(text, command::maxSampleRate);
}

QVariantMap Rules::checkChannels(const QString &text) const
{
    return countAnswer(text, quint32(maxChannels()));
}

QVariantMap Rules::parseSize(const QString &text) const
{
    quint32 bytes = 0;
    QString error;
    const bool ok = units::parseSize(text, &bytes, &error);
    return answer(ok, "bytes", double(bytes), error);
}

QVariantMap Rules::sizeForDuration(const QString &text, int rate, int channels, int bits) const
{
    quint64 nanoseconds = 0;
    quint32 bytes = 0;
    QString error;
    const bool ok = units::parseDuration(text, &nanoseconds, &error) &&
                    units::sizeForDuration(nanoseconds, count(rate), count(channels), count(bits),
                                           &bytes, &error);
    return answer(ok, "bytes", double(bytes), error);
}

QVariantMap Rules::sizeLayout(double bytes, int channels, int bits) const
{
    const quint64 size = bytes > 0 && bytes <= double(units::maxFileBytes) ? quint64(bytes) : 0;
    const units::FrameLayout layout = units::frameLayout(size, count(channels), count(bits));
    const QVariant none = QVariant::fromValue(nullptr);
    return {{QStringLiteral("frames"), double(layout.frames)},
            {QStringLiteral("whole"), layout.whole},
            {QStringLiteral("lower"), layout.lower > 0 ? QVariant(double(layout.lower)) : none},
            {QStringLiteral("upper"), layout.upper > 0 ? QVariant(double(layout.upper)) : none}};
}

QString Rules::composeCommand(int rate, int channels, int bits, double size, const QString &folder,
                              const QString &suffix, const QStringList &inputs) const
{
    ConvertCommand c;
    c.sampleRate = count(rate);
    c.channels = quint8(qMin(count(channels), 255u));
    c.bitsPerSample = quint8(qMin(count(bits), 255u));
    c.fileSize = size > 0 && size <= double(units::maxFileBytes) ? quint32(size) : 0u;
    c.outputFolder = folder;
    c.suffix = suffix;
    c.inputs = inputs;
    return command::compose(c);
}

QVariantList Rules::outputClashes(const QStringList &inputs, const QString &folder,
                                  const QString &suffix) const
{
    QVariantList clashes;
    for (const PathClash &clash : pathClashes(inputs, folder, suffix)) {
        const char *kind = clash.kind == PathClash::Kind::Itself  ? "itself"
                           : clash.kind == PathClash::Kind::Input ? "input"
                                                                  : "shared";
        clashes.append(QVariantMap{
            {QStringLiteral("input"), inputs.at(clash.input)},
            {QStringLiteral("output"), clash.output},
            {QStringLiteral("other"), clash.other >= 0 ? inputs.at(clash.other) : QString()},
            {QStringLiteral("kind"), QLatin1String(kind)}});
    }
    return clashes;
}

QStringList Rules::existingOutputs(const QStringList &inputs, const QString &folder,
                                   const QString &suffix, const QStringList &subfolders) const
{
    QStringList existing;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString output = command::outputPath(
            inputs.at(i), command::treeFolder(folder, subfolders.value(i)), suffix);
        if (outputExists(output))
            existing.append(output);
    }
    return existing;
}

QString Rules::typedFolder(const QString &typed) const
{
    return placement::typedFolder(typed);
}

QVariantMap Rules::checkOutputFolder(const QString &folder) const
{
    bool missing = false;
    const QString reason = placement::folderProblem(folder, &missing);
    return {{QStringLiteral("ok"), reason.isEmpty()},
            {QStringLiteral("missing"), missing},
            {QStringLiteral("reason"), reason}};
}

QString Rules::makeFolder(const QString &folder) const
{
    if (folder.trimmed().isEmpty())
        return tr("no folder was named");
    if (QDir().mkpath(folder))
        return placement::folderProblem(folder);
    // What stops it is the nearest folder above that stands.
    QString above = QFileInfo(QDir::cleanPath(QDir(folder).absolutePath())).path();
    while (!QFileInfo::exists(above) && above != QFileInfo(above).path())
        above = QFileInfo(above).path();
    const QFileInfo stands(above);
    if (!stands.isDir())
        return tr("cannot make the folder %1: %2 is not a folder").arg(folder, above);
    if (!stands.isWritable())
        return tr("cannot make the folder %1: %2 is not writable").arg(folder, above);
    return tr("cannot make the folder %1").arg(folder);
}

int Rules::findInputs(const QStringList &paths, bool tree)
{
    const int request = ++lastRequest;
    scans.start([this, request, paths, tree] {
        QStringList found;
        QStringList subfolders;
        QVariantList refused;
        inputs::Walk walk;
        walk.recursive = tree;
        for (const QString &path : paths) {
            QStringList files;
            QStringList within;
            QString error;
            if (!inputs::expandTree({path}, walk, &files, &within, &error))
                refused.append(refusal(path, reasonAbout(path, error), false));
            else if (files.isEmpty() && QFileInfo(path).isDir())
                refused.append(refusal(path, QString(), true));
            else {
                found += files;
                if (tree)
                    subfolders += within;
            }
        }
        // Emitted on this object's own thread; the destructor waits for this
        // task, so `this` is still there to post to.
        QMetaObject::invokeMethod(
            this,
            [this, request, found, refused, subfolders] {
                Q_EMIT sgInputsFound(request, found, refused, subfolders);
            },
            Qt::QueuedConnection);
    });
    return request;
}

bool Rules::hasSubfolders(const QString &folder) const
{
    // The first folder inside answers; the rest need not be listed.
    return QDirIterator(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks).hasNext();
}

QVariantMap Rules::checkOption(const QString &name, const QVariant &value) const
{
    RequestOptions options;
    QString error;
    const bool ok = readRequestOptions({{name, value}}, &options, &error);
    return {{QStringLiteral("ok"), ok}, {QStringLiteral("error"), error}};
}

int Rules::planRequest(const QString &command, const QVariantMap &options)
{
    const int request = ++lastPlan;
    planners.start([this, request, command, options] {
        if (request != lastPlan.load())
            return;
        Plan plan;
        QString error;
        QVariantList rows;
        if (planOf(command, options, &plan, &error)) {
            for (const PlanRow &row : plan.rows)
                rows.append(planmap::rowMap(plan.request, row));
        }
        // As with the scans: the destructor waits for this task.
        QMetaObject::invokeMethod(
            this, [this, request, rows, error] { Q_EMIT sgPlanned(request, rows, error); },
            Qt::QueuedConnection);
    });
    return request;
}
