#include "convert/workerprocess.h"

#include "convert/fileid.h"

#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace worker {

QProcess *startProcess(const Program &program, QObject *parent, QString *error)
{
    // QProcess, short of descriptors halfway through a start, can close one
    // of a running worker's pipes and leave the run waiting for ever (seen
    // under ulimit -n 15): a start goes ahead only with room for all it opens
    // at once, and a margin.
    constexpr int pipesToStart = 6;
    int probe[pipesToStart][2];
    int made = 0;
    while (made < pipesToStart && ::pipe2(probe[made], O_CLOEXEC) == 0)
        ++made;
    const int probeError = errno;
    for (int i = 0; i < made; ++i) {
        ::close(probe[i][0]);
        ::close(probe[i][1]);
    }
    if (made < pipesToStart) {
        *error = QString::fromLocal8Bit(std::strerror(probeError));
        return nullptr;
    }
    auto *process = new QProcess(parent);
    // Diagnostics and warnings of a worker reach standard error as they are.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A worker may be handed spare processors for libsox's channel threads,
    // whose libgomp threads must sleep while they wait (spare.h); a program
    // that restarted itself for that already says so.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("OMP_WAIT_POLICY")) &&
        !environment.contains(QStringLiteral("GOMP_SPINCOUNT"))) {
        environment.insert(QStringLiteral("OMP_WAIT_POLICY"), QStringLiteral("PASSIVE"));
        process->setProcessEnvironment(environment);
    }
    process->start(program.path, program.arguments);
    // Starting is a fork and an exec: waiting for it costs little and keeps a
    // failure to start out of the event loop.
    if (!process->waitForStarted(-1)) {
        *error = process->errorString();
        delete process;
        return nullptr;
    }
    return process;
}

QVector<QVector<int>> rowsBefore(const Plan &plan)
{
    QVector<QVector<int>> after(plan.rows.size());
    QHash<QString, int> lastToTouch;
    for (int i = 0; i < plan.rows.size(); ++i) {
        const PlanRow &row = plan.rows.at(i);
        if (row.status != PlanRow::Status::Convert)
            continue;
        for (const QString &key : {fileKey(row.input), fileKey(row.output)}) {
            const auto earlier = lastToTouch.constFind(key);
            // An input that names its own output (refused by the conversion)
            // touches one file twice and must not wait for itself.
            if (earlier != lastToTouch.constEnd() && earlier.value() != i &&
                !after[i].contains(earlier.value()))
                after[i].append(earlier.value());
            lastToTouch.insert(key, i);
        }
    }
    return after;
}

} // namespace worker
