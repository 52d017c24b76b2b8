#include "ClipLedger.h"

#include "data/DatabaseOperation.h"

ClipLedger ClipLedgerIn(DatabaseOperation& database)
{
    ClipLedger ledger;
    ledger.pending = [&database](const QString& deviceIp, int devicePort) {
        QList<ClipRequest> requests;
        database.GetClipRequests(deviceIp, devicePort, requests);
        return requests;
    };
    ledger.fetched = [&database](const QString& file) { database.FinishClipRequest(file); };
    ledger.givenUp = [&database](const QString& file) { database.GiveUpClipRequest(file); };
    return ledger;
}
