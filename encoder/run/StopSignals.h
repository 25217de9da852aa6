#pragma once

// SIGINT, SIGTERM and SIGHUP do not end the program at once: they are noted so
// that the running ffmpeg can be stopped and the temporary output removed.
void InstallStopHandlers();

// The program that reads the progress has gone (its pipe is closed): nobody waits for
// the output any more, so the run stops as if SIGPIPE had stopped it.
void StopForLostCaller();

// Readable once a stop signal has arrived; for poll().
int StopFd();

// The stop signal that arrived, or 0.
int StopSignal();

// Restores default signal handling in a freshly forked child, before exec.
void ResetSignalsInChild();
