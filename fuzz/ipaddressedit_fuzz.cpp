// The IP-address entry's reading of a stored text: any text gives four numbers 0..255
// joined by dots, and that reads back as itself.

#include "fuzzinput.h"
#include "widgets/ipaddressedit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto stored = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto shown = IpAddressEdit::normalized(stored);
    const auto parts = shown.split(QLatin1Char('.'));
    bool whole = parts.size() == IpAddressEdit::OctetCount;
    for (const auto& part : parts) {
        bool number = false;
        const int value = part.toInt(&number);
        whole = whole && number && value >= 0 && value <= 255 && QString::number(value) == part;
    }
    fuzz::check(whole, "four numbers 0..255 joined by dots", shown.toStdString());
    fuzz::check(IpAddressEdit::normalized(shown) == shown, "the result reads back as itself",
                shown.toStdString());
    return 0;
}
