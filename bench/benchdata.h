#pragma once

// The databases of the benchmarks: SETS IP sets over one connection per ten sets
// (10,000 sets over 1,000 connections), written in one transaction.
#include "tests/fixtures/tempdatabase.h"

#include <algorithm>

inline void FillIPSets(TempDatabase& db, int sets) {
    const int connections = std::max(1, sets / 10);
    db.exec(QStringLiteral("BEGIN"));
    for (int c = 1; c <= connections; ++c)
        db.addConnection(QStringLiteral("Connection %1").arg(c), QStringLiteral("bench"));
    for (int s = 0; s < sets; ++s)
        db.addIPSet(QStringLiteral("Set %1").arg(s),
                    QStringLiteral("10.%1.%2.5").arg(s / 256 % 256).arg(s % 256),
                    QStringLiteral("255.255.255.0"), QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"),
                    s % 2, 1 + s % connections);
    db.exec(QStringLiteral("COMMIT"));
}
