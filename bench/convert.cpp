// Runs one convert command in this process, one input after another, as the
// window's worker would. bench/run times it where the command-line tool is
// not built.
#include "convert/batch.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: %s '$DoConvert,RATE,CHANNELS,BITS,SIZE,FOLDER,SUFFIX,IN...'\n",
                     qPrintable(args.value(0)));
        return 2;
    }
    // The per-file debug lines would be timed too.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    sox::Session session;
    Resampling resampling;
    int failed = 0;
    BatchReport report;
    report.failed = [&failed](int, const QString &input, const Outcome &outcome) {
        const QString reason = outcome.text();
        ++failed;
        std::fprintf(stderr, "%s: %s\n",
                     qPrintable(input.isEmpty() ? QStringLiteral("command") : input),
                     qPrintable(reason));
    };
    if (!runBatch(args.at(1), resampling, report))
        return 2;
    return failed == 0 ? 0 : 1;
}
