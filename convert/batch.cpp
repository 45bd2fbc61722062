#include "convert/batch.h"

#include "convert/command.h"
#include "convert/resampling.h"

#include <QDebug>

bool runBatch(const QString &text, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel)
{
    if (!text.isEmpty())
        qDebug() << text;

    ConvertCommand c;
    QString error;
    if (!command::parse(text, &c, &error)) {
        if (report.failed)
            report.failed(-1, QString(), error);
        return false;
    }

    ConvertParams params;
    params.sampleRate = c.sampleRate;
    params.channels = c.channels;
    params.bitsPerSample = c.bitsPerSample;
    params.fileSize = c.fileSize;

    for (int i = 0; i < c.inputs.size(); ++i) {
        params.inputPath = c.inputs.at(i);
        params.outputPath = command::outputPath(params.inputPath, c.outputFolder, c.suffix);
        if (cancel && cancel->load()) {
            if (report.failed)
                report.failed(i, params.inputPath, QStringLiteral("cancelled"));
            continue;
        }
        if (report.started)
            report.started(i, params.inputPath, params.outputPath);
        ConvertHooks hooks;
        hooks.cancel = cancel;
        if (report.progress)
            hooks.progress = [&report, i](quint64 done, quint64 total) {
                report.progress(i, done, total);
            };
        QString reason;
        if (resampling.resample(params, &reason, hooks) == 1) {
            if (report.converted)
                report.converted(i, params.inputPath, params.outputPath);
        } else if (report.failed) {
            report.failed(i, params.inputPath, reason);
        }
    }
    return true;
}
