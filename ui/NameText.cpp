#include "ui/NameText.h"

#include <QStringDecoder>

QString nameText(const std::string& name) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded =
        utf8.decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    return utf8.hasError() ? QString::fromLatin1(name) : decoded;
}
