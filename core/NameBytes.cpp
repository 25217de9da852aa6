#include "core/NameBytes.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;
constexpr char16_t FirstEscape = 0xDC80;
constexpr char16_t LastEscape = 0xDCFF;

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF)
{
    return byte >= low && byte <= high;
}

// The length of the valid UTF-8 sequence that starts at `at`, 0 when none does: no
// overlong forms, no surrogates, nothing above U+10FFFF.
qsizetype ValidSequenceAt(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype offset) {
        return at + offset < bytes.size() ? static_cast<unsigned char>(bytes[at + offset]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return IsContinuation(byte(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return IsContinuation(byte(1), low, high) && IsContinuation(byte(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return IsContinuation(byte(1), low, high) && IsContinuation(byte(2)) && IsContinuation(byte(3)) ? 4 : 0;
    }
    return 0;
}

// An escape stands alone; the same unit after a high surrogate is half of a character.
bool IsEscapeAt(const QString& name, qsizetype at)
{
    const char16_t unit = name[at].unicode();
    return unit >= FirstEscape && unit <= LastEscape && (at == 0 || !name[at - 1].isHighSurrogate());
}

}

QString NameFromBytes(QByteArrayView bytes)
{
    QString name;
    qsizetype runStart = 0;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype length = ValidSequenceAt(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(runStart, at - runStart));
        name += QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[at])));
        runStart = ++at;
    }
    return name + QString::fromUtf8(bytes.sliced(runStart));
}

QByteArray NameBytes(const QString& name)
{
    QByteArray bytes;
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (!IsEscapeAt(name, at))
            continue;
        bytes += QStringView(name).sliced(runStart, at - runStart).toUtf8();
        bytes += static_cast<char>(name[at].unicode() - EscapeBase);
        runStart = at + 1;
    }
    return bytes + QStringView(name).sliced(runStart).toUtf8();
}

bool HasStrayBytes(const QString& name)
{
    for (qsizetype at = 0; at < name.size(); ++at) {
        if (IsEscapeAt(name, at))
            return true;
    }
    return false;
}

QString ShownName(const QString& name)
{
    QString shown = name;
    for (qsizetype at = 0; at < shown.size(); ++at) {
        if (IsEscapeAt(name, at))
            shown[at] = QChar::ReplacementCharacter;
    }
    return shown;
}

QString NameOfFileUrl(const QUrl& url)
{
    return NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QStringList ArgumentNames(int argc, const char* const* argv)
{
    QStringList names;
    for (int index = 1; index < argc; ++index)
        names << NameFromBytes(argv[index]);
    return names;
}
