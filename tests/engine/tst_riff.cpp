// Finding the sample data by walking RIFF chunks, and the block-wise copy.
#include "convert/riff.h"

#include "testutil.h"

#include <QBuffer>
#include <QtTest>

class TestRiff : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void findDataChunk_data();
    void findDataChunk();
    void copyBytes_data();
    void copyBytes();
    void copyBytesStopsOnCancel();
};

namespace {

using testutil::le32;

QByteArray chunk(const char *id, const QByteArray &body, bool pad = true)
{
    QByteArray c = QByteArray(id, 4) + le32(quint32(body.size())) + body;
    if (pad && (body.size() & 1))
        c.append('\0');
    return c;
}

// A chunk whose stated length is not the length of what follows.
QByteArray chunkClaiming(const char *id, quint32 length, const QByteArray &body)
{
    return QByteArray(id, 4) + le32(length) + body;
}

QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

const QByteArray plainFmt = chunk("fmt ", QByteArray::fromHex("0100020044AC000010B102000400"
                                                              "1000"));

QByteArray samples(int n)
{
    QByteArray s(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i)
        s[i] = char(i * 7 + 3);
    return s;
}

} // namespace

void TestRiff::findDataChunk_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("found");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<quint32>("length");

    QTest::newRow("plain 44-byte header")
        << riff(plainFmt + chunk("data", samples(100))) << true << qint64(44) << quint32(100);
    QTest::newRow("empty data chunk")
        << riff(plainFmt + chunk("data", {})) << true << qint64(44) << quint32(0);

    // A LIST chunk whose text holds "data" ahead of the real sample chunk.
    const QByteArray list = chunk("LIST", "INFOICMT" + le32(12) + "say data ok!");
    QTest::newRow("\"data\" inside an earlier chunk")
        << riff(plainFmt + list + chunk("data", samples(10))) << true
        << qint64(12 + plainFmt.size() + list.size() + 8) << quint32(10);

    // libsox's layout above 16 bits: a 40-byte format chunk and a fact chunk.
    const QByteArray extensible = chunk("fmt ", QByteArray(40, '\x01'));
    const QByteArray fact = chunk("fact", le32(25));
    QTest::newRow("extensible format and fact chunks")
        << riff(extensible + fact + chunk("data", samples(150))) << true << qint64(80)
        << quint32(150);

    QTest::newRow("a chunk after the samples is not taken")
        << riff(plainFmt + chunk("data", samples(20)) + chunk("LIST", samples(30))) << true
        << qint64(44) << quint32(20);
    QTest::newRow("odd data: the pad byte is not a sample")
        << riff(plainFmt + chunk("data", samples(21)) + chunk("junk", samples(4))) << true
        << qint64(44) << quint32(21);
    // "odd" has 3 bytes and a pad byte; a walk that forgot the pad would read
    // the next id one byte early and miss it.
    QTest::newRow("odd chunk with its pad byte ahead of the data")
        << riff(plainFmt + chunk("odd ", "abc") + chunk("data", samples(8))) << true
        << qint64(12 + plainFmt.size() + 12 + 8) << quint32(8);
    QTest::newRow("data length larger than the file is cut to the file")
        << riff(plainFmt + chunkClaiming("data", 5000, samples(64))) << true << qint64(44)
        << quint32(64);
    QTest::newRow("unfinished placeholder length 0xFFFFFFFF")
        << riff(plainFmt + chunkClaiming("data", 0xFFFFFFFFu, samples(33))) << true << qint64(44)
        << quint32(33);
    QTest::newRow("earlier chunk claiming more than the file")
        << riff(plainFmt + chunkClaiming("LIST", 100000, "data....")) << false << qint64(0)
        << quint32(0);
    QTest::newRow("earlier chunk claiming 0xFFFFFFFF")
        << riff(plainFmt + chunkClaiming("junk", 0xFFFFFFFFu, chunk("data", samples(4)))) << false
        << qint64(0) << quint32(0);
    QTest::newRow("no data chunk")
        << riff(plainFmt + chunk("LIST", samples(12))) << false << qint64(0) << quint32(0);
    QTest::newRow("data id cut short at the end")
        << riff(plainFmt) + "data\x10\0" << false << qint64(0) << quint32(0);
    QTest::newRow("not RIFF at all")
        << QByteArray("RIFX") + le32(40) + "WAVE" + plainFmt + chunk("data", samples(4)) << false
        << qint64(0) << quint32(0);
    QTest::newRow("RIFF but not WAVE")
        << QByteArray("RIFF") + le32(40) + "AVI " + chunk("data", samples(4)) << false << qint64(0)
        << quint32(0);
    QTest::newRow("text file") << QByteArray("just some data, not audio\n") << false << qint64(0)
                               << quint32(0);
    QTest::newRow("empty") << QByteArray() << false << qint64(0) << quint32(0);
}

void TestRiff::findDataChunk()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, found);
    QFETCH(qint64, offset);
    QFETCH(quint32, length);

    QBuffer device(&file);
    QVERIFY(device.open(QIODevice::ReadOnly));
    // Start away from 0: the walk must not depend on where the device stands.
    device.seek(device.size() / 2);
    const DataChunk c = ::findDataChunk(device);
    QCOMPARE(c.found, found);
    if (!found)
        return;
    QCOMPARE(c.offset, offset);
    QCOMPARE(c.length, length);
    QVERIFY(c.offset + c.length <= file.size());
}

void TestRiff::copyBytes_data()
{
    QTest::addColumn<int>("sourceSize");
    QTest::addColumn<int>("start");
    QTest::addColumn<quint64>("count");
    QTest::addColumn<bool>("ok");

    const int block = 1 << 20;
    QTest::newRow("nothing") << 10 << 0 << quint64(0) << true;
    QTest::newRow("less than a block") << 1000 << 7 << quint64(993) << true;
    QTest::newRow("exactly one block") << block << 0 << quint64(block) << true;
    QTest::newRow("several blocks and a tail from an offset")
        << 3 * block + 500 << 123 << quint64(3 * block + 377) << true;
    QTest::newRow("part of the source") << 2 * block + 9 << 80 << quint64(block + 1) << true;
    QTest::newRow("short source, one block") << 100 << 0 << quint64(101) << false;
    QTest::newRow("short source after whole blocks")
        << 2 * block + 10 << 0 << quint64(2 * block + 11) << false;
}

void TestRiff::copyBytes()
{
    QFETCH(int, sourceSize);
    QFETCH(int, start);
    QFETCH(quint64, count);
    QFETCH(bool, ok);

    QByteArray source = samples(sourceSize);
    QBuffer from(&source);
    QVERIFY(from.open(QIODevice::ReadOnly));
    QVERIFY(from.seek(start));
    QByteArray sink;
    QBuffer to(&sink);
    QVERIFY(to.open(QIODevice::WriteOnly));

    QString why;
    QCOMPARE(::copyBytes(from, to, count, nullptr, &why), ok);
    if (ok) {
        QVERIFY(why.isEmpty());
        QCOMPARE(quint64(sink.size()), count);
        QVERIFY(sink == source.mid(start, int(count)));
    } else {
        QVERIFY2(why.contains(QLatin1String("ends early")), qPrintable(why));
    }
}

void TestRiff::copyBytesStopsOnCancel()
{
    QByteArray source = samples(3 << 20);
    QBuffer from(&source);
    QVERIFY(from.open(QIODevice::ReadOnly));
    QByteArray sink;
    QBuffer to(&sink);
    QVERIFY(to.open(QIODevice::WriteOnly));
    const std::atomic_bool cancel{true};
    QString why;
    QVERIFY(!::copyBytes(from, to, quint64(source.size()), &cancel, &why));
    QVERIFY(why.isEmpty());
    QCOMPARE(sink.size(), 0);
}

QTEST_GUILESS_MAIN(TestRiff)
#include "tst_riff.moc"
