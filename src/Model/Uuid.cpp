#include "Model/Uuid.h"

namespace vsp {

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QByteArray uuidUtf8(const QUuid& id)
{
    return id.toByteArray(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(std::string_view text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (size_t i = 0; i < 36; ++i) {
        const char c = text[i];
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != '-') {
                return std::nullopt;
            }
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return std::nullopt;
        }
    }
    const QUuid id = QUuid::fromString(QLatin1String(text.data(), qsizetype(text.size())));
    if (id.isNull() && text != "00000000-0000-0000-0000-000000000000") {
        return std::nullopt;
    }
    return id;
}

std::optional<QUuid> parseUuid(QStringView text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    const QByteArray latin = text.toLatin1();
    return parseUuid(std::string_view(latin.constData(), size_t(latin.size())));
}

QUuid newUuid()
{
    return QUuid::createUuid();
}

} // namespace vsp
