#include "bytes.h"

#include <algorithm>

namespace {

QString shown(const QByteArray &bytes, qsizetype from) {
    constexpr qsizetype kShown = 40;
    QString text = QString::fromLatin1(
        bytes.mid(from, kShown).toPercentEncoding(" !\"#$&'()*+,/:;<=>?@[]^_`{|}~"));
    if (bytes.size() - from > kShown)
        text += QStringLiteral("...");
    return text;
}

} // namespace

QString bytesDiffer(const QByteArray &actual, const QByteArray &expected) {
    const qsizetype common = std::min(actual.size(), expected.size());
    qsizetype at = 0;
    while (at < common && actual.at(at) == expected.at(at))
        ++at;
    if (at == common && actual.size() == expected.size())
        return {};
    return QStringLiteral("bytes differ at offset %1 (%2 bytes against %3 expected): got \"%4\", "
                          "expected \"%5\"")
        .arg(at)
        .arg(actual.size())
        .arg(expected.size())
        .arg(shown(actual, at), shown(expected, at));
}
