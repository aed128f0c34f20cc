// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The four forms in which serial data is typed and shown, and the rules that
// turn typed text into bytes and received bytes into text.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

// The format codes, as stored in the settings ("Model") and command records.
enum class DataFormat : int { String = 5, Hex = 16, Decimal = 10, Octal = 8 };

// The format of a stored code, or nothing for any other value.
std::optional<DataFormat> FormatFromCode(int code);
// Selector position (0 String, 1 Hex, 2 Decimal, 3 Octal) and back.
int SelectorIndex(DataFormat format);
DataFormat FormatAtIndex(int index);
// The entries of the send selector Mods and the receive selector Modr.
QStringList SendSelectorEntries();
QStringList ReceiveSelectorEntries();

// "0"-"9", "A"-"F", "a"-"f" give 0 to 15; any other character gives 0.
int HexDigitValue(QChar c);
bool IsHexDigit(QChar c);

// The text without the blanks at its ends; line ends and tabs stay. A text
// handed over (std::move) is trimmed in place, not copied.
QString TrimBlanks(QString text);
// The same, as a view into the text: nothing is copied.
QStringView TrimBlanksView(QStringView text);

// What String format writes after the text and for each line break of a
// multi-line send box: CR LF (the default), LF, CR or nothing.
enum class LineEnding { CrLf, Lf, Cr, None };
QString LineEndingText(LineEnding ending);
// The name a line end is stored under ("CRLF", "LF", "CR", "NONE") and back;
// nothing for an unknown name.
QString LineEndingName(LineEnding ending);
std::optional<LineEnding> LineEndingNamed(const QString &name);

// The text with each line break (LF, or CR LF) as the given line end. A lone
// CR is not a line break of the box and stays.
QString WithLineBreaks(QStringView text, LineEnding ending);

enum class EncodeFailure { BadDigit, OutOfRange };
using EncodeResult = std::variant<QByteArray, EncodeFailure>;

// Typed text (already trimmed) to the bytes that go on the line. String
// writes characters as GBK, each line break as the line end, and adds the
// line end. A failed text gives no bytes at all.
EncodeResult EncodeSendText(const QString &text, DataFormat format,
                            LineEnding ending = LineEnding::CrLf);

// One received byte in Hex ("0A "), Decimal ("065 ") or Octal ("010 ").
QString RenderReceivedByte(quint8 byte, DataFormat format);
// Several received bytes rendered one after the other.
QString RenderReceivedBytes(const QByteArray &bytes, DataFormat format);
// The same, added to the end of `out`.
void AppendReceivedBytes(QString &out, QByteArrayView bytes, DataFormat format);

// The conversions of text already standing in a box. Hex text to
// characters: each pair becomes the character of its value with the top bit
// cleared; nothing when a pair is not two hex digits.
std::optional<QString> HexTextToCharacters(const QString &trimmed);
// Characters to hex text: each character's code (its GBK code for a Chinese
// character) in upper-case hex, then a blank.
QString CharactersToHexText(const QString &trimmed);

// The byte 22 (0x16) that follows an appended checksum: " 16", " 022",
// " 026", or nothing in String format.
QString ChecksumTrailer(DataFormat format);
