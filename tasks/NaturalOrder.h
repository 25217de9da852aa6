#pragma once

#include <QString>

// The order people expect of file names: a run of digits counts by its value
// (clip2 before clip10, IMG_9 before IMG_10) and letters count without their case.
// Names equal by that rule (a01 and a1, Clip and clip) keep a fixed order among
// themselves, the same whatever the user's locale.
bool NaturalLessThan(const QString& a, const QString& b);
