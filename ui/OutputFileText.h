#pragma once

#include <QString>

// The output box's text as the user typed it, made into the file it means.

// A leading "~" (alone or before "/") is the user's home folder, as in a shell; "~name"
// and a "~" further in are names like any other.
QString WithHomeFolder(const QString& text);

// The text for a newly chosen profile of type outputExt (".wmv"): an output type's
// extension at its end is replaced by the new one, so the box never offers "a.avi.wmv";
// any other name is left as it is, for Start to append to.
QString WithOutputType(const QString& text, const QString& outputExt);
