#include "modem/RingWatch.h"

namespace {
// Blanks only: line ends stay, as received.
QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

bool RingWatch::feed(const QString &received)
{
    m_text.setText(TrimBlanks(m_text.text()) + received);
    if (!m_text.contains(QLatin1StringView("RING")))
        return false;
    m_text.clear();
    return true;
}
