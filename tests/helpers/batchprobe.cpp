// SPDX-License-Identifier: GPL-3.0-or-later
// Linked with the batch library alone, so that the layer check can read which Qt libraries a
// headless run pulls in. Running it does nothing.
#include <QCoreApplication>

#include "batch/batchrun.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Never true in the check; the call keeps the batch code in the link.
    if (argc > 1 && QCoreApplication::arguments().at(1) == QStringLiteral("--run"))
        return tavrel::runBatch({});
    return 0;
}
