#pragma once

#include <string>

// The mark of the job this run belongs to. The joiner makes one fresh for each job and
// gives it to every encoder run of the job in VELMO_JOB_MARK; the encoder writes it into
// the pieces and lead-in tracks it makes and trusts only those that carry it, so that
// no input can pass for one of them by chance. A run without a mark (or with one that is
// not 16 to 64 letters and digits) makes its own, which no other run shares.
std::string JobMark();
