#include "terminal/FormatSwitch.h"

#include "core/Dialogs.h"

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

void FormatSwitch::ChngR(const TextAccess &receivePane)
{
    convert(receivePane, m_receive, ReceiveOnly);
}

void FormatSwitch::convert(const TextAccess &box, DataFormat format, int direction)
{
    const QString text = TrimBlanks(box.first());
    if (format == DataFormat::Hex) {
        const auto characters = HexTextToCharacters(text);
        if (!characters) {
            m_dialogs.message(QStringLiteral("数据错误，不能转化！"), QStringLiteral("错误"),
                              MsgIcon::Exclamation);
            return;
        }
        box.second(*characters);
        SetDataFormat(int(DataFormat::String), direction);
    } else if (format == DataFormat::String) {
        box.second(CharactersToHexText(text));
        SetDataFormat(int(DataFormat::Hex), direction);
    }
}
