// The 44-byte header, byte for byte, and the little-endian helpers behind it.
#include "convert/wav.h"

#include <QtTest>

class TestWav : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void header_data();
    void header();
    void littleEndian_data();
    void littleEndian();
};

namespace {

// Builds the expected header field by field, so that each row states its
// numbers rather than a wall of hex.
QByteArray expected(quint32 riffSize, quint16 channels, quint32 rate, quint32 byteRate,
                    quint16 blockAlign, quint16 bits, quint32 dataSize)
{
    auto le32 = [](quint32 v) {
        const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                           char((v >> 24) & 0xff)};
        return QByteArray(b, 4);
    };
    auto le16 = [](quint16 v) {
        const char b[2] = {char(v & 0xff), char((v >> 8) & 0xff)};
        return QByteArray(b, 2);
    };
    return QByteArray("RIFF") + le32(riffSize) + "WAVE" + "fmt " + le32(16) + le16(1) +
           le16(channels) + le32(rate) + le32(byteRate) + le16(blockAlign) + le16(bits) + "data" +
           le32(dataSize);
}

} // namespace

void TestWav::header_data()
{
    QTest::addColumn<quint16>("channels");
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<quint16>("bits");
    QTest::addColumn<quint32>("dataSize");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("CD stereo, worked example")
        << quint16(2) << quint32(44100) << quint16(16) << quint32(176400)
        << QByteArray::fromHex("52494646 34B10200 57415645 666D7420 10000000 0100 0200 44AC0000"
                               "10B10200 0400 1000 64617461 10B10200");
    QTest::newRow("no data") << quint16(2) << quint32(44100) << quint16(16) << quint32(0)
                             << expected(36, 2, 44100, 176400, 4, 16, 0);
    QTest::newRow("odd data counts a pad byte in RIFF only")
        << quint16(1) << quint32(8000) << quint16(8) << quint32(1001)
        << expected(1038, 1, 8000, 8000, 1, 8, 1001);
    QTest::newRow("24-bit mono 48 kHz")
        << quint16(1) << quint32(48000) << quint16(24) << quint32(300)
        << expected(336, 1, 48000, 144000, 3, 24, 300);
    QTest::newRow("12 bits: block align from 12 div 8")
        << quint16(2) << quint32(22050) << quint16(12) << quint32(10)
        << expected(46, 2, 22050, 44100, 2, 12, 10);
    QTest::newRow("4 bits: block align and byte rate 0")
        << quint16(2) << quint32(22050) << quint16(4) << quint32(10)
        << expected(46, 2, 22050, 0, 0, 4, 10);
    QTest::newRow("32 bits: still plain PCM")
        << quint16(6) << quint32(96000) << quint16(32) << quint32(2400)
        << expected(2436, 6, 96000, 2304000, 24, 32, 2400);
    QTest::newRow("192 kHz needs the full 32-bit rate")
        << quint16(2) << quint32(192000) << quint16(24) << quint32(6)
        << expected(42, 2, 192000, 1152000, 6, 24, 6);
    // 65535 channels x 4 bytes = 262140 = 0x3FFFC: block align keeps 0xFFFC
    // and the byte rate is computed from that cut value.
    QTest::newRow("block align wraps at 16 bits")
        << quint16(65535) << quint32(1000) << quint16(32) << quint32(8)
        << expected(44, 65535, 1000, 65532000, 0xFFFC, 32, 8);
    QTest::newRow("byte rate wraps at 32 bits")
        << quint16(255) << quint32(4000000000u) << quint16(32) << quint32(0)
        << expected(36, 255, 4000000000u, quint32(4000000000ull * 1020ull), 1020, 32, 0);
    QTest::newRow("RIFF size wraps at 32 bits")
        << quint16(1) << quint32(8000) << quint16(8) << quint32(0xFFFFFFFFu)
        << expected(36, 1, 8000, 8000, 1, 8, 0xFFFFFFFFu);
}

void TestWav::header()
{
    QFETCH(quint16, channels);
    QFETCH(quint32, rate);
    QFETCH(quint16, bits);
    QFETCH(quint32, dataSize);
    QFETCH(QByteArray, bytes);

    const QByteArray h = Wav().header(channels, rate, bits, dataSize);
    QCOMPARE(h.size(), 44);
    QCOMPARE(h.toHex(' '), bytes.toHex(' '));
    // The format chunk id ends in a space, not a NUL.
    QCOMPARE(h.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(quint8(h.at(15)), quint8(0x20));
}

void TestWav::littleEndian_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("32: zero") << quint32(0) << true << QByteArray::fromHex("00000000");
    QTest::newRow("32: 176436") << quint32(176436) << true << QByteArray::fromHex("34B10200");
    QTest::newRow("32: high bit set")
        << quint32(0x80000001u) << true << QByteArray::fromHex("01000080");
    QTest::newRow("32: all ones") << quint32(0xFFFFFFFFu) << true
                                  << QByteArray::fromHex("FFFFFFFF");
    QTest::newRow("16: 44100 (above 32767)")
        << quint32(44100) << false << QByteArray::fromHex("44AC");
    QTest::newRow("16: 1") << quint32(1) << false << QByteArray::fromHex("0100");
    QTest::newRow("16: all ones") << quint32(0xFFFF) << false << QByteArray::fromHex("FFFF");
}

void TestWav::littleEndian()
{
    QFETCH(quint32, value);
    QFETCH(bool, wide);
    QFETCH(QByteArray, bytes);
    const QByteArray got = wide ? Wav::toLe32(value) : Wav::toLe16(quint16(value));
    QCOMPARE(got.toHex(' '), bytes.toHex(' '));
}

QTEST_GUILESS_MAIN(TestWav)
#include "tst_wav.moc"
