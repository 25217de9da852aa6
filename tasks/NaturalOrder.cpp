#include "tasks/NaturalOrder.h"

namespace {

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The end of the digit run that starts at `from`.
qsizetype DigitsEnd(const QString& text, qsizetype from)
{
    while (from < text.size() && IsDigit(text[from]))
        ++from;
    return from;
}

qsizetype SkipZeros(const QString& text, qsizetype from, qsizetype end)
{
    while (from < end && text[from] == u'0')
        ++from;
    return from;
}

// Below 0 when a comes first, 0 when the rule does not tell them apart.
int NaturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const qsizetype endA = DigitsEnd(a, i);
            const qsizetype endB = DigitsEnd(b, j);
            // Without leading zeros, the longer number is the larger; numbers of
            // one length compare digit by digit. No number is too long for this.
            const qsizetype valueA = SkipZeros(a, i, endA);
            const qsizetype valueB = SkipZeros(b, j, endB);
            if (endA - valueA != endB - valueB)
                return endA - valueA < endB - valueB ? -1 : 1;
            const int digits = QStringView(a).sliced(valueA, endA - valueA).compare(
                QStringView(b).sliced(valueB, endB - valueB));
            if (digits != 0)
                return digits;
            i = endA;
            j = endB;
            continue;
        }
        const QChar foldedA = a[i].toCaseFolded();
        const QChar foldedB = b[j].toCaseFolded();
        if (foldedA != foldedB)
            return foldedA < foldedB ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

}

bool NaturalLessThan(const QString& a, const QString& b)
{
    const int order = NaturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}
