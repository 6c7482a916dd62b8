// The receive path below the widgets: the gateway's bytes, cut into arrivals wherever the
// fuzzer likes, are decoded piece by piece and appended to a transcript document. The text
// must equal decoding the whole stream at once, and the document's index must hold.
//
// Input: one byte N (the number of cuts, at most 15), N two-byte cut positions, then the
// stream itself.

#include "check.h"
#include "net/ansicodec.h"

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size) {
    ByteReader in(data, size);
    const unsigned cuts = in.byte() & 0x0F;
    std::vector<qsizetype> positions;
    for (unsigned i = 0; i < cuts; ++i)
        positions.push_back(in.u16());
    const QByteArrayView stream(reinterpret_cast<const char *>(in.rest()),
                                qsizetype(in.restSize()));
    for (qsizetype &position : positions)
        position %= stream.size() + 1;
    positions.push_back(0);
    positions.push_back(stream.size());
    std::sort(positions.begin(), positions.end());

    // Arrival by arrival, as the socket hands them over.
    AnsiDecoder decoder;
    TranscriptDocument document;
    for (size_t i = 0; i + 1 < positions.size(); ++i) {
        QString piece;
        decoder.decode(stream.sliced(positions[i], positions[i + 1] - positions[i]), piece);
        document.append(piece);
        checkDocument(document);
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

    // Never more characters than bytes, and nothing dropped: every byte stands for at least
    // one unit unless it is part of a longer valid sequence.
    FUZZ_CHECK(expected.size() <= stream.size());
    if (QByteArray(stream.data(), stream.size()).isValidUtf8()) {
        // Valid UTF-8 decodes as Qt decodes it (a letter in front keeps Qt from dropping a
        // byte-order mark, which the transcript keeps).
        FUZZ_CHECK(expected == QString::fromUtf8("x" + stream.toByteArray()).mid(1));
        FUZZ_CHECK(ansiEncode(expected) == stream);
    }
    return 0;
}
