#pragma once

#include <QString>

// Every call into the MediaInfo library goes through here. The library is
// loaded at run time through its C interface, so the program can say clearly
// when it is missing instead of failing to start.
namespace MediaInfoDll {

// Loads the library on the first call, which start-up makes. Empty when it can
// be used, otherwise a text for the user saying why not. Loading also gives the
// process a UTF-8 character set for file names when it has none.
QString LoadError();

// The library's answers for one file, as text exactly as it gives them;
// empty where it has no value (also when it cannot read the file at all).
struct Answers {
    QString playTime; // general stream, milliseconds
    QString width;    // first video stream, pixels
    QString height;
    QString recorded; // general stream: when it was recorded, else when it was written
    QString soundTracks;    // general stream: the number of sound tracks
    QString subtitleTracks; // general stream: the number of text (subtitle) tracks
    QString attachments;    // general stream: the attached files' names, " / " between them
    QString cover;          // general stream: "Yes" when the file holds a cover picture
};

// One handle per call, closed before it returns.
Answers Query(const QString& path);

}
