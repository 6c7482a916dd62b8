#include "net/ansicodec.h"

// Systems other than Windows have no ANSI code page of their own: text on the wire is UTF-8,
// which can carry every character.

namespace {

constexpr unsigned kUtf8CodePage = 65001;

} // namespace

unsigned ansiCodePage() {
    return kUtf8CodePage;
}

void AnsiDecoder::decode(QByteArrayView bytes, QString &out) {
    decodeUtf8(bytes, out);
}

QByteArray ansiEncode(QStringView text, qsizetype *unencodable) {
    if (unencodable)
        *unencodable = 0;
    return text.toUtf8();
}
