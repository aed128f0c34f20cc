// SPDX-License-Identifier: GPL-3.0-or-later
// The rules by which typed text becomes bytes, received bytes become text,
// numbers are read leniently and checksums are computed.

#include "core/Crc.h"
#include "core/DataFormats.h"
#include "core/SelectionCheck.h"
#include "core/NumberText.h"
#include "core/TextCodec.h"
#include "serial/PortSettings.h"

#include <QTest>
#include <climits>

namespace {

QByteArray bytesOf(const EncodeResult &r)
{
    return std::holds_alternative<QByteArray>(r) ? std::get<QByteArray>(r) : QByteArray("<failed>");
}

bool failsWith(const EncodeResult &r, EncodeFailure f)
{
    return std::holds_alternative<EncodeFailure>(r) && std::get<EncodeFailure>(r) == f;
}

} // namespace

class FormatsTest : public QObject
{
    Q_OBJECT
private slots:
    void hexSend()
    {
        QCOMPARE(bytesOf(EncodeSendText("41 42 43", DataFormat::Hex)), QByteArray("ABC"));
        QCOMPARE(bytesOf(EncodeSendText("41,42,43", DataFormat::Hex)), QByteArray("ABC"));
        QCOMPARE(bytesOf(EncodeSendText("41-42-43", DataFormat::Hex)), QByteArray("ABC"));
        QCOMPARE(bytesOf(EncodeSendText("414243", DataFormat::Hex)), QByteArray("\x41\x24"));
        QCOMPARE(bytesOf(EncodeSendText("0a 0B ff", DataFormat::Hex)), QByteArray("\x0a\x0b\xff"));
        QVERIFY(failsWith(EncodeSendText("41 4", DataFormat::Hex), EncodeFailure::BadDigit));
        QVERIFY(failsWith(EncodeSendText("41 42 4", DataFormat::Hex), EncodeFailure::BadDigit));
        QVERIFY(failsWith(EncodeSendText("4G", DataFormat::Hex), EncodeFailure::BadDigit));
        QCOMPARE(bytesOf(EncodeSendText("", DataFormat::Hex)), QByteArray());
    }

    void decimalSend()
    {
        QCOMPARE(bytesOf(EncodeSendText("065 066 067", DataFormat::Decimal)), QByteArray("ABC"));
        QCOMPARE(bytesOf(EncodeSendText("065", DataFormat::Decimal)), QByteArray("A"));
        QCOMPARE(bytesOf(EncodeSendText("65 66", DataFormat::Decimal)), QByteArray("\x41\x06"));
        QCOMPARE(bytesOf(EncodeSendText("255", DataFormat::Decimal)), QByteArray("\xff"));
        QCOMPARE(bytesOf(EncodeSendText("2.5", DataFormat::Decimal)), QByteArray("\x02"));
        QCOMPARE(bytesOf(EncodeSendText("abc", DataFormat::Decimal)), QByteArray(1, '\0'));
        QVERIFY(failsWith(EncodeSendText("065 066 256", DataFormat::Decimal), EncodeFailure::OutOfRange));
        QVERIFY(failsWith(EncodeSendText("300", DataFormat::Decimal), EncodeFailure::OutOfRange));
        QVERIFY(failsWith(EncodeSendText("-1", DataFormat::Decimal), EncodeFailure::OutOfRange));
    }

    void octalSend()
    {
        QCOMPARE(bytesOf(EncodeSendText("101 377", DataFormat::Octal)), QByteArray("\x41\xff"));
        QCOMPARE(bytesOf(EncodeSendText("012", DataFormat::Octal)), QByteArray("\x0a"));
        QCOMPARE(bytesOf(EncodeSendText("1", DataFormat::Octal)), QByteArray("\x40"));
        QCOMPARE(bytesOf(EncodeSendText("019", DataFormat::Octal)), QByteArray("\x11"));
        QVERIFY(failsWith(EncodeSendText("400", DataFormat::Octal), EncodeFailure::OutOfRange));
        QVERIFY(failsWith(EncodeSendText("777", DataFormat::Octal), EncodeFailure::OutOfRange));
    }

    void stringSendIsGbkWithCrLf()
    {
        QCOMPARE(bytesOf(EncodeSendText("ABC", DataFormat::String)), QByteArray("ABC\r\n"));
        QCOMPARE(bytesOf(EncodeSendText("中", DataFormat::String)), QByteArray("\xd6\xd0\r\n"));
        // A line break leaves as CR LF too; one that is CR LF already stays.
        QCOMPARE(bytesOf(EncodeSendText("AB\nCD", DataFormat::String)), QByteArray("AB\r\nCD\r\n"));
        QCOMPARE(bytesOf(EncodeSendText("AB\r\n\nCD", DataFormat::String)),
                 QByteArray("AB\r\n\r\nCD\r\n"));
        QCOMPARE(bytesOf(EncodeSendText("\n", DataFormat::String)), QByteArray("\r\n\r\n"));
        // In Hex a line break between bytes is a separator like any other.
        QCOMPARE(bytesOf(EncodeSendText("41\n42", DataFormat::Hex)), QByteArray("AB"));
    }

    // The option 发送行尾: the end after the text and for each line break.
    void stringSendEndsLinesAsChosen_data()
    {
        QTest::addColumn<LineEnding>("ending");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("CR LF") << LineEnding::CrLf << "AB\r\nC\nD" << QByteArray("AB\r\nC\r\nD\r\n");
        QTest::newRow("LF") << LineEnding::Lf << "AB\r\nC\nD" << QByteArray("AB\nC\nD\n");
        QTest::newRow("CR") << LineEnding::Cr << "AB\r\nC\nD" << QByteArray("AB\rC\rD\r");
        QTest::newRow("none") << LineEnding::None << "AB\r\nC\nD" << QByteArray("ABCD");
        QTest::newRow("lone CR stays") << LineEnding::Lf << "A\rB" << QByteArray("A\rB\n");
        QTest::newRow("Hex ignores it") << LineEnding::Cr << "41\n42" << QByteArray("AB");
    }
    void stringSendEndsLinesAsChosen()
    {
        QFETCH(LineEnding, ending);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const DataFormat format = text.startsWith("41") ? DataFormat::Hex : DataFormat::String;
        QCOMPARE(bytesOf(EncodeSendText(text, format, ending)), bytes);
        QCOMPARE(LineEndingNamed(LineEndingName(ending).toLower()), ending);
    }

    // Each model's catalogue check value: the CRC of the ASCII bytes "123456789".
    void crcModelsGiveTheirCatalogueCheckValues_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<quint32>("check");
        QTest::newRow("MODBUS") << "CRC-16/MODBUS" << quint32(0x4B37);
        QTest::newRow("XMODEM") << "CRC-16/XMODEM" << quint32(0x31C3);
        QTest::newRow("CCITT-FALSE") << "CRC-16/CCITT-FALSE" << quint32(0x29B1);
        QTest::newRow("CRC-32") << "CRC-32" << quint32(0xCBF43926);
        QTest::newRow("CRC-8") << "CRC-8" << quint32(0xF4);
    }
    void crcModelsGiveTheirCatalogueCheckValues()
    {
        QFETCH(QString, model);
        QFETCH(quint32, check);
        const auto index = CrcModelIndex(model.toLower());
        QVERIFY(index);
        QCOMPARE(ComputeCrc(CrcModels()[*index], "123456789"), check);
    }

    // A selection's CRC is over the bytes it stands for in the send format,
    // written in that format in the protocol's byte order.
    void selectionCrcIsInTheSendFormatInWireOrder_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("text");
        QTest::addColumn<DataFormat>("format");
        QTest::addColumn<QString>("crc");
        // A MODBUS read request (device 1, 10 registers from 0) as devices accept it.
        QTest::newRow("MODBUS frame") << "CRC-16/MODBUS" << " 01 03 00 00 00 0A " << DataFormat::Hex << "C5 CD";
        QTest::newRow("MODBUS decimal") << "CRC-16/MODBUS" << "001 003 000 000 000 010" << DataFormat::Decimal << "197 205";
        QTest::newRow("XMODEM high first") << "CRC-16/XMODEM" << "123456789" << DataFormat::String << "31 C3";
        QTest::newRow("CRC-32 octal") << "CRC-32" << "061 062 063 064 065 066 067 070 071" << DataFormat::Octal << "313 364 071 046";
        QTest::newRow("not hex") << "CRC-8" << "01 0G" << DataFormat::Hex << "";
    }
    void selectionCrcIsInTheSendFormatInWireOrder()
    {
        QFETCH(QString, model);
        QFETCH(QString, text);
        QFETCH(DataFormat, format);
        QFETCH(QString, crc);
        QCOMPARE(SelectionCrc(text, format, CrcModels()[*CrcModelIndex(model)]).value_or(QString()), crc);
    }

    // A text checked in pieces, cut anywhere, gives the check of the text
    // read whole: blanks at its ends dropped, groups cut between pieces
    // joined.
    void checksInPiecesAreThoseOfTheWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<DataFormat>("format");
        QTest::newRow("hex") << "  01 03 00 00 00 0A  FF 7 " << DataFormat::Hex;
        QTest::newRow("hex with blanks inside") << " 68    01 02 " << DataFormat::Hex;
        QTest::newRow("bad hex") << "01 0G 33" << DataFormat::Hex;
        QTest::newRow("decimal with halves") << "2.5 1.5 200 100 " << DataFormat::Decimal;
        QTest::newRow("octal") << " 377 001 100 002 8" << DataFormat::Octal;
        QTest::newRow("string") << " 12 中文 9 " << DataFormat::String;
    }
    void checksInPiecesAreThoseOfTheWhole()
    {
        QFETCH(QString, text);
        QFETCH(DataFormat, format);
        const std::optional<QString> checksum = SelectionChecksum(text, format);
        for (int cut = 1; cut <= 5; ++cut) {
            for (const CrcModel *model : {static_cast<const CrcModel *>(nullptr), &CrcModels()[0], &CrcModels()[3]}) {
                const std::optional<QString> whole = model ? SelectionCrc(text, format, *model) : checksum;
                SelectionCheck check(format, model);
                for (qsizetype at = 0; at < text.size(); at += cut)
                    check.feed(QStringView(text).sliced(at, std::min<qsizetype>(cut, text.size() - at)));
                QCOMPARE(check.result(), whole);
            }
        }
    }

    void wholeGbkCharacters()
    {
        const std::pair<QByteArray, qsizetype> cases[] = {
            {"", 0}, {"A", 1}, {"\xd6", 0}, {"A\xd6\xd0", 3}, {"A\xd6\xd0\xd6", 3},
            {"\x80\xff", 2},    // single-byte characters
            {"\x81\x0a\xd6", 2}, // a bad pair is whole; the lead byte after it waits
        };
        for (const auto &[bytes, whole] : cases)
            QVERIFY2(WholeGbkLength(bytes) == whole, bytes.toHex().constData());
    }

    // Bytes that are not GBK show as U+FFFD, a lead byte that ends the
    // bytes without its second byte too.
    void gbkDecodingShowsBytesThatAreNotGbk()
    {
        const std::pair<QByteArray, QString> cases[] = {
            {"A\xd6\xd0", "A中"},
            {"A\xd6", "A\uFFFD"},
            {"\x81\x0a\xd6", "\uFFFD\n\uFFFD"},
        };
        for (const auto &[bytes, text] : cases)
            QVERIFY2(DecodeGbk(bytes) == text, bytes.toHex().constData());
    }

    void receiveRendering()
    {
        QCOMPARE(RenderReceivedByte(10, DataFormat::Hex), QString("0A "));
        QCOMPARE(RenderReceivedByte(65, DataFormat::Decimal), QString("065 "));
        QCOMPARE(RenderReceivedByte(8, DataFormat::Octal), QString("010 "));
        QCOMPARE(RenderReceivedByte(255, DataFormat::Octal), QString("377 "));
        QCOMPARE(RenderReceivedByte(0, DataFormat::Hex), QString("00 "));
        QCOMPARE(RenderReceivedByte(0, DataFormat::Decimal), QString("000 "));
        QCOMPARE(RenderReceivedByte(0, DataFormat::Octal), QString("000 "));
        QCOMPARE(RenderReceivedBytes(QByteArray("\x41\x0d"), DataFormat::Hex), QString("41 0D "));
    }

    void boxConversions()
    {
        QCOMPARE(HexTextToCharacters("41 42 43"), std::optional<QString>("ABC"));
        QCOMPARE(HexTextToCharacters("C1"), std::optional<QString>("A"));
        QCOMPARE(HexTextToCharacters(""), std::optional<QString>(""));
        QVERIFY(!HexTextToCharacters("41 4"));
        QCOMPARE(CharactersToHexText("ABC"), QString("41 42 43 "));
        QCOMPARE(CharactersToHexText("中"), QString("D6D0 "));
        QCOMPARE(CharactersToHexText("\n"), QString("0A "));
    }

    void lenientNumbers()
    {
        QCOMPARE(LenientNumber(" 1 2 3"), 123.0);
        QCOMPARE(LenientNumber("-4.5e1x"), -45.0);
        QCOMPARE(LenientNumber("&HFF"), 255.0);
        QCOMPARE(LenientNumber("&o17"), 15.0);
        QCOMPARE(LenientNumber("abc"), 0.0);
        QCOMPARE(LenientNumber("9600,n,8,1"), 9600.0);
        QCOMPARE(RoundHalfEven(2.5), 2.0);
        QCOMPARE(RoundHalfEven(3.5), 4.0);
        QVERIFY(!ToIntegerWidth(40000, -32768, 32767));
        QCOMPARE(ToIntegerWidth(300.4, 0, 1000).value(), 300);
        QCOMPARE(LeadingNumberText("0755-123"), QString("755"));
        // Numbers beyond 64 bits read as no number, without undefined behaviour.
        QVERIFY(!ToIntegerWidth(9223372036854775808.0, LLONG_MIN, LLONG_MAX));
        QVERIFY(!ToIntegerWidth(-1e308, LLONG_MIN, LLONG_MAX));
        QCOMPARE(ToIntegerWidth(-9223372036854775808.0, LLONG_MIN, LLONG_MAX).value(), LLONG_MIN);
        QCOMPARE(LeadingNumberText("1e308"), QString("0"));
        QCOMPARE(LeadingNumberText("-1e19"), QString("0"));
        QCOMPARE(LeadingNumberText("1e999"), QString("0"));
    }

    void portSettingsText()
    {
        QVERIFY(PortSettings::parse("9600,n,8,1"));
        QVERIFY(PortSettings::parse(" 115200,E,7,1.5 "));
        QVERIFY(!PortSettings::parse("9600,x,8,1"));
        QVERIFY(!PortSettings::parse("fast,n,8,1"));
        QVERIFY(!PortSettings::parse("9600,n,9,1"));
        QVERIFY(!PortSettings::parse("9600,n,8,3"));
        // Mark and space parity, and the flow control as a fifth field.
        const auto full = PortSettings::parse("250000,M,7,2,h");
        QVERIFY(full);
        QCOMPARE(full->baud, 250000);
        QCOMPARE(full->parity, 'm');
        QCOMPARE(full->flow, 'h');
        QCOMPARE(PortSettings::parse("9600,s,8,1, X ")->flow, 'x');
        QCOMPARE(PortSettings::parse("9600,n,8,1,n")->flow, 'n');
        QCOMPARE(PortSettings::parse("9600,n,8,1")->flow, 'n');
        QVERIFY(!PortSettings::parse("9600,n,8,1,r"));
        QVERIFY(!PortSettings::parse("9600,n,8,1,"));
        QVERIFY(!PortSettings::parse("9600,n,8,1,hx"));
        QVERIFY(!PortSettings::parse("9600,n,8,1,h,1"));
        QVERIFY(!PortSettings::parse("9600,ms,8,1"));
        QCOMPARE(LeadingInteger("1000"), 1000);
    }

    void checksums()
    {
        QCOMPARE(SelectionChecksum("FF 01", DataFormat::Hex), QString("00"));
        QCOMPARE(SelectionChecksum("80 80 80", DataFormat::Hex), QString("80"));
        QCOMPARE(SelectionChecksum("68 01 02", DataFormat::Hex), QString("6B"));
        QCOMPARE(SelectionChecksum(" 1", DataFormat::Hex), QString("10"));
        QCOMPARE(SelectionChecksum("zz 05", DataFormat::Hex), QString("05"));
        QCOMPARE(SelectionChecksum("200 100", DataFormat::Decimal), QString("044"));
        QCOMPARE(SelectionChecksum("377 001", DataFormat::Octal), QString("000"));
        QCOMPARE(SelectionChecksum("100 002", DataFormat::Octal), QString("102"));
        QCOMPARE(SelectionChecksum("010", DataFormat::Octal), QString("010"));
        QCOMPARE(SelectionChecksum("-5", DataFormat::Decimal), QString("-005"));
        QCOMPARE(SelectionChecksum("ABC", DataFormat::String), QString());
        // Only blanks are trimmed: a line end or a tab counts as a character.
        QCOMPARE(SelectionChecksum(" 41 ", DataFormat::Hex), QString("41"));
        QCOMPARE(SelectionChecksum("\n41", DataFormat::Hex), QString("04"));
        QCOMPARE(SelectionChecksum("\t065", DataFormat::Decimal), QString("006"));
        QCOMPARE(TrimBlanks("  \r\nOK\t "), QString("\r\nOK\t"));
        QCOMPARE(ChecksumTrailer(DataFormat::Hex), QString(" 16"));
        QCOMPARE(ChecksumTrailer(DataFormat::Decimal), QString(" 022"));
        QCOMPARE(ChecksumTrailer(DataFormat::Octal), QString(" 026"));
    }
};

QTEST_GUILESS_MAIN(FormatsTest)
#include "tst_formats.moc"
