#include "convert/inputs.h"

#include "convert/soxhandles.h"

#include <QDir>
#include <QFileInfo>

#include <mutex>
#include <sox.h>

namespace inputs {

namespace {

// Formats that carry their own rate, channel count and encoding, so that a
// file of theirs converts without being told anything. Only those that this
// libsox build can read are used; .opus, .m4a and .wma, for instance, are not.
const char *const selfDescribing[] = {
    "wav",   "amb",  "w64", "flac", "ogg", "oga", "mp3",  "mp2", "aiff", "aif", "aifc",
    "aiffc", "caf",  "au",  "snd",  "voc", "wv",  "8svx", "avr", "maud", "sf",  "ircam",
    "sph",   "nist", "xi",  "prc",  "sd2", "paf", "opus", "m4a", "wma",
};

QStringList readable()
{
    QStringList known;
    if (!sox::ensureStarted())
        return known;
    for (const char *ext : selfDescribing) {
        // sox_find_format loads the plugin that handles the extension, if any.
        if (sox_find_format(ext, sox_true))
            known.append(QLatin1String(ext));
    }
    return known;
}

const QStringList &readableExtensions()
{
    static std::once_flag once;
    static QStringList known;
    std::call_once(once, [] { known = readable(); });
    return known;
}

QString commaProblem(const QString &path)
{
    return QStringLiteral("%1: a path that holds a \",\" cannot be passed in a convert command; "
                          "rename it")
        .arg(path);
}

} // namespace

bool isAudioFileName(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || fileName.startsWith(QLatin1Char('.')))
        return false;
    return readableExtensions().contains(fileName.mid(dot + 1).toLower());
}

QStringList audioExtensions()
{
    return readableExtensions();
}

QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

bool expand(const QStringList &paths, QStringList *files, QString *error)
{
    QStringList result;
    for (const QString &path : paths) {
        if (path.contains(QLatin1Char(','))) {
            *error = commaProblem(path);
            return false;
        }
        const QFileInfo info(path);
        if (!info.isDir()) {
            result.append(path);
            continue;
        }
        QDir folder(path);
        if (!folder.isReadable()) {
            *error = QStringLiteral("%1: cannot read the folder").arg(path);
            return false;
        }
        // QDir::Files follows links to files and leaves out links to folders,
        // broken links, devices, pipes and sockets; without QDir::Hidden it
        // leaves out hidden files too. An unreadable audio file stays in, so
        // that its failure is reported rather than passed over in silence.
        const QStringList names = folder.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        for (const QString &name : names) {
            if (!isAudioFileName(name))
                continue;
            const QString file = prefix + name;
            if (!QFileInfo(file).isFile())
                continue;
            if (file.contains(QLatin1Char(','))) {
                *error = commaProblem(file);
                return false;
            }
            result.append(file);
        }
    }
    *files = result;
    return true;
}

} // namespace inputs
