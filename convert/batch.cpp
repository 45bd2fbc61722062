#include "convert/batch.h"

#include "convert/command.h"
#include "convert/fileid.h"
#include "convert/resampling.h"

#include <QDebug>
#include <QVector>

bool runBatch(const QString &text, Resampling &resampling, const BatchReport &report,
              const std::atomic_bool *cancel, int onlyInput)
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

    // Every input of the request is an original: the output of one input must
    // not land on another (take.flac writes take.wav beside take.wav), or that
    // original is gone before it is converted, or after. The inputs are looked
    // up once some output path names a file: one that names none can be none
    // of them, and a worker that converts one input of a long request would
    // otherwise look up every input again for each one.
    QVector<FileId> inputIds;

    for (int i = 0; i < c.inputs.size(); ++i) {
        if (onlyInput >= 0 && i != onlyInput)
            continue;
        params.inputPath = c.inputs.at(i);
        params.outputPath = command::outputPath(params.inputPath, c.outputFolder, c.suffix);
        if (cancel && cancel->load()) {
            if (report.failed)
                report.failed(i, params.inputPath, QStringLiteral("cancelled"));
            continue;
        }
        if (report.started)
            report.started(i, params.inputPath, params.outputPath);
        const FileId outputId = fileId(params.outputPath);
        if (outputId.exists && inputIds.isEmpty()) {
            for (const QString &input : qAsConst(c.inputs))
                inputIds.append(fileId(input));
        }
        // Writing over the input itself is refused by the conversion, with its own reason.
        const int other =
            !outputId.exists || outputId == inputIds.at(i) ? -1 : inputIds.indexOf(outputId);
        if (other >= 0) {
            const QString reason =
                QStringLiteral("the output would overwrite %1, another input of this request")
                    .arg(c.inputs.at(other));
            qDebug().noquote() << "failed" << params.inputPath << "-" << reason;
            if (report.failed)
                report.failed(i, params.inputPath, reason);
            continue;
        }
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
