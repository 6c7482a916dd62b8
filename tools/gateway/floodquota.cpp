#include "floodquota.h"

FloodQuota::Verdict FloodQuota::take(qsizetype bytes, qint64 nowMs) {
    m_recent.removeIf([nowMs](const Line &line) { return nowMs - line.at >= kWindowMs; });
    if (m_recent.size() + 1 >= kDisconnectAt)
        return Verdict::Disconnect;

    const int units =
        static_cast<int>(qMax<qsizetype>(1, (bytes + kBytesPerUnit - 1) / kBytesPerUnit));
    int used = 0;
    for (const Line &line : m_recent)
        used += line.units;
    Verdict verdict = Verdict::Pass;
    if (units > kUnits)
        verdict = Verdict::LineLengthQuota;
    else if (used + units > kUnits)
        verdict = Verdict::MessageQuota;
    m_recent.append({nowMs, verdict == Verdict::Pass ? units : 0});
    return verdict;
}
