#include "convert/outcome.h"

Outcome Outcome::failed(const QString &summary, const QString &detail)
{
    return Outcome{Kind::Failed, summary, detail};
}

Outcome Outcome::refused(const QString &reason)
{
    return Outcome{Kind::Refused, reason, QString()};
}

Outcome Outcome::cancelled()
{
    return Outcome{Kind::Cancelled, QString(), QString()};
}

QString Outcome::text() const
{
    switch (kind) {
    case Kind::Converted:
        return QString();
    case Kind::Cancelled:
        return QStringLiteral("cancelled");
    case Kind::Refused:
    case Kind::Failed:
        break;
    }
    if (detail.isEmpty())
        return summary;
    if (summary.isEmpty())
        return detail;
    return summary + QStringLiteral(": ") + detail;
}
