// The receive path below the widgets: the gateway's bytes, cut into arrivals wherever the
// fuzzer likes, are decoded piece by piece and appended to a transcript document. The text
// must equal decoding the whole stream at once, and the document's index must hold.
// Input: one byte N (the number of cuts, at most 15), N two-byte cut positions, the stream.

#include "check.h"
#include "net/ansicodec.h"

#include <QByteArray>

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size) {
    ByteReader in(data, size);
    std::vector<qsizetype> cuts(in.byte() & 0x0F);
    for (qsizetype &cut : cuts)
        cut = in.u16();
    const QByteArray stream(reinterpret_cast<const char *>(in.next), in.end - in.next);
    for (qsizetype &cut : cuts)
        cut %= stream.size() + 1;
    cuts.push_back(stream.size());
    std::sort(cuts.begin(), cuts.end());

    // Arrival by arrival, as the socket hands them over.
    AnsiDecoder decoder;
    TranscriptDocument document;
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        document.append(decoder.decode(QByteArrayView(stream).sliced(from, cut - from)));
        checkDocument(document);
        from = cut;
    }
    QString last;
    decoder.flush(last);
    document.append(last);
    FUZZ_CHECK(!decoder.hasPending());

    // The whole stream at once.
    AnsiDecoder whole;
    QString expected = whole.decode(stream);
    whole.flush(expected);
    FUZZ_CHECK(document.text() == expected);
    checkDocument(document);

    // Never more characters than bytes. Valid UTF-8 decodes as Qt decodes it (a letter in front
    // keeps Qt from dropping a byte-order mark, which the transcript keeps) and encodes back.
    FUZZ_CHECK(expected.size() <= stream.size());
    if (stream.isValidUtf8()) {
        FUZZ_CHECK(expected == QString::fromUtf8("x" + stream).mid(1));
        FUZZ_CHECK(ansiEncode(expected) == stream);
    }
    return 0;
}
