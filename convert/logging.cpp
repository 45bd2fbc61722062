#include "convert/logging.h"

Q_LOGGING_CATEGORY(lcChain, "sabletide.chain")
Q_LOGGING_CATEGORY(lcSox, "sabletide.sox")
Q_LOGGING_CATEGORY(lcBatch, "sabletide.batch")
Q_LOGGING_CATEGORY(lcWorker, "sabletide.worker")
Q_LOGGING_CATEGORY(lcPreview, "sabletide.preview")

namespace logging {

QString cliRules(bool verbose)
{
    const QLatin1String on = verbose ? QLatin1String("true") : QLatin1String("false");
    return QStringLiteral("default.debug=%1\ndefault.info=%1\nsabletide.*.debug=%1\n"
                          "sabletide.*.info=%1")
        .arg(on);
}

} // namespace logging
