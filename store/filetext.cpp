#include "store/filetext.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QStringConverter::Encoding fileTextEncoding(const QString& pragmaEncoding) {
    if (pragmaEncoding.compare(QLatin1String("UTF-16le"), Qt::CaseInsensitive) == 0)
        return QStringConverter::Utf16LE;
    if (pragmaEncoding.compare(QLatin1String("UTF-16be"), Qt::CaseInsensitive) == 0)
        return QStringConverter::Utf16BE;
    return QStringConverter::Utf8;
}

QString decodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text[i] = byte >= 0x80 && byte <= 0x9F ? QChar(Windows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString decodeFileText(const QByteArray& bytes, QStringConverter::Encoding encoding) {
    if (bytes.isEmpty())
        return QStringLiteral(""); // an empty text, which is a value; a null string would be none
    if (encoding == QStringConverter::Utf8 && !bytes.isValidUtf8())
        return decodeWindows1252(bytes);
    // A byte order mark at the start is part of the text, as it was stored.
    return QStringDecoder(encoding,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom)
        .decode(bytes);
}

QByteArray encodeFileText(const QString& text, QStringConverter::Encoding encoding) {
    return QStringEncoder(encoding, QStringConverter::Flag::Stateless).encode(text);
}
