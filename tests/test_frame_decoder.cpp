// SPDX-License-Identifier: MIT
#include "FrameDecoder.h"

#include <QTest>

#include <string>

// Frames read back as "A128"-style text, one per frame, so a table row reads like the wire.
namespace {

struct Reading {
    QStringList frames;
    int malformed = 0;
};

Reading decode(const std::string& bytes, FrameDecoder& decoder)
{
    Reading reading;
    for (const char byte : bytes)
        if (const auto frame = decoder.take(static_cast<unsigned char>(byte)))
            reading.frames << QString("%1%2").arg(QChar(frame->command)).arg(frame->value, 3, 10, QChar('0'));
    reading.malformed = static_cast<int>(decoder.malformedBytes());
    return reading;
}

std::string bytes(const char* text, std::size_t length) { return std::string(text, length); }

}  // namespace

class FrameDecoderTest : public QObject {
    Q_OBJECT

private slots:
    void streams_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("malformed");
        const auto row = [](const char* name, std::string wire, QStringList frames, int malformed) {
            QTest::newRow(name) << QByteArray::fromStdString(wire) << frames << malformed;
        };
        row("well-formed run", bytes("\0A000\0P255\0@128\0#007", 20), {"A000", "P255", "@128", "#007"}, 0);
        row("garbage before the first zero", bytes("xyz\0B001", 8), {"B001"}, 3);
        row("zero byte missing: resync on the next", bytes("\0C001C002\0C003", 14), {"C001", "C003"}, 4);
        row("frame cut short by a zero", bytes("\0D1\0D200", 8), {"D200"}, 3);
        row("unknown command", bytes("\0Q001\0A001", 10), {"A001"}, 2 + 3);
        row("value past 255", bytes("\0A256\0A255", 10), {"A255"}, 5);
        row("digit place holds a letter", bytes("\0A12x\0A120", 10), {"A120"}, 5);
        row("two zero bytes", bytes("\0\0E010", 6), {"E010"}, 1);
        row("nothing but zeros", bytes("\0\0\0", 3), {}, 2);
    }

    void streams()
    {
        QFETCH(QByteArray, wire);
        FrameDecoder decoder;
        const Reading reading = decode(wire.toStdString(), decoder);
        QTEST(reading.frames, "frames");
        QTEST(reading.malformed, "malformed");
    }

    // Bytes come from the line in whatever pieces the kernel hands over.
    void framesSplitAcrossReads()
    {
        const std::string wire = bytes("\0A128\0B129\0@000", 15);
        for (std::size_t cut = 1; cut < wire.size(); ++cut) {
            FrameDecoder decoder;
            Reading first = decode(wire.substr(0, cut), decoder);
            const Reading second = decode(wire.substr(cut), decoder);
            first.frames += second.frames;
            QCOMPARE(first.frames, QStringList({"A128", "B129", "@000"}));
            QCOMPARE(second.malformed, 0);
        }
        FrameDecoder decoder;
        decode(bytes("\0A1", 3), decoder);
        QCOMPARE(decoder.bytesInFrame(), std::size_t(3));
    }
};

QTEST_APPLESS_MAIN(FrameDecoderTest)
#include "test_frame_decoder.moc"
