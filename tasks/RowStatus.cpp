#include "tasks/RowStatus.h"

QString StatusWords(RowStatus status)
{
    switch (status) {
    case RowStatus::Ok:
        return QStringLiteral("OK");
    case RowStatus::WaitingForJoining:
        return QStringLiteral("Waiting for joining");
    case RowStatus::Converting:
        return QStringLiteral("Converting");
    case RowStatus::Joining:
        return QStringLiteral("Joining");
    case RowStatus::Stopped:
        return QStringLiteral("Stop");
    case RowStatus::Failed:
        return QStringLiteral("Failed");
    case RowStatus::Complete:
        return QStringLiteral("Complete");
    }
    return {};
}
