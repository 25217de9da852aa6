#pragma once

// When the program that started us asks for it (its process id in VELMO_WATCHED_PARENT),
// its death, even by SIGKILL, stops this run as SIGTERM does: ffmpeg under us ends at
// once and our files go. A run whose caller is already gone ends here. The variable is
// not passed on to our helpers.
void EndWithWatchedParent();
