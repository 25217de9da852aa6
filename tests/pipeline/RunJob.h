#pragma once

#include "pipeline/JobRunner.h"

#include <QEventLoop>

#include <optional>

// Starts a job and turns the event loop until the job tells its end.
inline JobEnd RunJob(JobRunner& runner, const JobSettings& settings)
{
    std::optional<JobEnd> end;
    QEventLoop untilEnded;
    const QMetaObject::Connection told = QObject::connect(&runner, &JobRunner::ended, &untilEnded, [&](JobEnd how) {
        end = how;
        untilEnded.quit();
    });
    runner.tbtnStartClick(settings);
    if (!end)
        untilEnded.exec();
    QObject::disconnect(told);
    return *end;
}
