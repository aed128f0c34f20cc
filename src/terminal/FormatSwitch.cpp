// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/FormatSwitch.h"

#include "core/Dialogs.h"
#include "terminal/PaneConversion.h"

#include <QComboBox>

namespace {

QComboBox *newSelector(const char *name, const QStringList &entries, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(entries);
    box->setCurrentIndex(SelectorIndex(DataFormat::Hex));
    box->setToolTip(QStringLiteral("数据格式"));
    // The row beside it gives way first: a cut format name cannot be read.
    box->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    return box;
}

// The format whose entry is exactly the selector's trimmed text.
std::optional<DataFormat> matchEntry(const QComboBox *box, const QStringList &entries)
{
    const int i = entries.indexOf(box->currentText().trimmed());
    if (i < 0)
        return std::nullopt;
    return FormatAtIndex(i);
}

} // namespace

FormatSwitch::FormatSwitch(Dialogs &dialogs, QWidget *parent)
    : QObject(parent),
      m_dialogs(dialogs),
      m_mods(newSelector("Mods", SendSelectorEntries(), parent)),
      m_modr(newSelector("Modr", ReceiveSelectorEntries(), parent))
{
    connect(m_mods, &QComboBox::activated, this, &FormatSwitch::fnModS);
    connect(m_modr, &QComboBox::activated, this, &FormatSwitch::fnModR);
}

void FormatSwitch::SetDataFormat(int code, int directions)
{
    const auto format = FormatFromCode(code);
    if (!format)
        return;
    if (directions == Both || directions == SendOnly) {
        m_send = *format;
        m_mods->setCurrentIndex(SelectorIndex(*format));
    }
    if (directions == Both || directions == ReceiveOnly) {
        m_receive = *format;
        m_modr->setCurrentIndex(SelectorIndex(*format));
    }
    emit formatsChanged();
}

void FormatSwitch::ToggleBoth()
{
    SetDataFormat(int(m_send == DataFormat::Hex ? DataFormat::String : DataFormat::Hex), Both);
}

void FormatSwitch::fnModS()
{
    if (const auto f = matchEntry(m_mods, SendSelectorEntries())) {
        m_send = *f;
        emit formatsChanged();
    }
}

void FormatSwitch::fnModR()
{
    if (const auto f = matchEntry(m_modr, ReceiveSelectorEntries())) {
        m_receive = *f;
        emit formatsChanged();
    }
}

void FormatSwitch::ChngT(const TextAccess &sendBox)
{
    convert(sendBox, m_send, SendOnly);
}

void FormatSwitch::ChngR(TextPane &pane)
{
    const DataFormat format = m_receive;
    if (format != DataFormat::Hex && format != DataFormat::String)
        return;
    const PaneConversion conversion = ConvertPane(pane, format);
    if (conversion.outcome == PaneConversion::Outcome::NotConvertible)
        return sayNotConvertible();
    if (conversion.outcome == PaneConversion::Outcome::NoRoom) {
        m_dialogs.message(QStringLiteral("接收区未转换：临时文件无法写入（%1）").arg(conversion.error),
                          QStringLiteral("错误"), MsgIcon::Exclamation);
        return;
    }
    SetDataFormat(int(format == DataFormat::Hex ? DataFormat::String : DataFormat::Hex), ReceiveOnly);
}

std::optional<QString> FormatSwitch::converted(const QString &text, DataFormat format)
{
    if (format == DataFormat::Hex)
        return HexTextToCharacters(TrimBlanks(text));
    return CharactersToHexText(TrimBlanks(text));
}

void FormatSwitch::sayNotConvertible()
{
    m_dialogs.message(QStringLiteral("数据错误，不能转化！"), QStringLiteral("错误"), MsgIcon::Exclamation);
}

void FormatSwitch::convert(const TextAccess &box, DataFormat format, int direction)
{
    if (format != DataFormat::Hex && format != DataFormat::String)
        return;
    const auto text = converted(box.first(), format);
    if (!text)
        return sayNotConvertible();
    box.second(*text);
    SetDataFormat(int(format == DataFormat::Hex ? DataFormat::String : DataFormat::Hex), direction);
}
