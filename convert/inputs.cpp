#include "convert/inputs.h"

#include "convert/soxhandles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <sox.h>

namespace inputs {

namespace {

// libsox's formats that hold bare samples: a file of theirs says nothing of
// its rate, channels or encoding, so it cannot convert without being told,
// and nothing marks it as audio but its name.
const char *const headerless[] = {
    "raw", "s1",   "s8",    "sb",  "s2",   "s16", "sw",   "s3",   "s24",  "s4",
    "s32", "sl",   "u1",    "u8",  "ub",   "sou", "fssd", "u2",   "u16",  "uw",
    "u3",  "u24",  "u4",    "u32", "f4",   "f32", "f8",   "f64",  "al",   "ul",
    "la",  "lu",   "vox",   "ima", "cvsd", "cvs", "cvu",  "dvms", "vms",  "sln",
    "gsm", "gsrt", "lpc10", "lpc", "cdda", "cdr", "dat",  "sox",  "null",
};

// Every name that libsox opens a file by, from its own list of formats (the
// plugins included), less devices, stand-ins and headerless formats.
QStringList readable()
{
    QStringList known;
    if (!sox::ensureStarted())
        return known;
    // Loads every format plugin, so that their names are in the list below.
    sox_format_init();
    for (const sox_format_tab_t *entry = sox_get_format_fns(); entry && entry->fn; ++entry) {
        const sox_format_handler_t *handler = entry->fn();
        if (!handler || !handler->startread || !handler->names ||
            (handler->flags & (SOX_FILE_DEVICE | SOX_FILE_PHONY)) != 0)
            continue;
        for (const char *const *name = handler->names; *name; ++name) {
            const QString ext = QString::fromLatin1(*name).toLower();
            // Some handlers list a MIME type among their names.
            if (!ext.contains(QLatin1Char('/')) &&
                std::find(std::begin(headerless), std::end(headerless), ext) ==
                    std::end(headerless) &&
                !known.contains(ext))
                known.append(ext);
        }
    }
    known.sort();
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

bool isAudioFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (isAudioFileName(name))
        return true;
    if (name.startsWith(QLatin1Char('.')))
        return false;
    // Names libsox does not know (.oga, .wave, none at all) still count when
    // libsox recognises the content as a format of its own.
    const QByteArray local = QFile::encodeName(path);
    if (QFile::decodeName(local) != path || !QFileInfo(path).isFile())
        return false;
    sox::clearLastMessage();
    const sox::Format probe(sox_open_read(local.constData(), nullptr, nullptr, nullptr));
    return probe && probe->filetype &&
           readableExtensions().contains(QString::fromLatin1(probe->filetype).toLower());
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
            const QString file = prefix + name;
            if (!QFileInfo(file).isFile() || !isAudioFile(file))
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
