// libFuzzer target: the convert-command parser and the output naming rule.
#include "checks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzcheck::silenceQtLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString problem = fuzzcheck::checkCommand(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz_command: %s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}
