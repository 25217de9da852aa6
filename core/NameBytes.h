#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUrl>

// File names on Linux are bytes, and many old ones are not UTF-8 (a camera's Latin-1
// "café"). The program keeps every name in a QString without losing a byte: valid UTF-8
// as its characters, each other byte b as the single code point U+DC00 + b (an unpaired
// low surrogate, which no valid UTF-8 decodes to). Such a name reaches the file system
// only through NameBytes, never through Qt's file classes, which would spoil it.

// The name of these bytes, kept whole.
QString NameFromBytes(QByteArrayView bytes);

// The exact bytes the name was made from.
QByteArray NameBytes(const QString& name);

// True when the name holds bytes that are not UTF-8.
bool HasStrayBytes(const QString& name);

// The name as the user reads it: each byte that is not UTF-8 a replacement character.
QString ShownName(const QString& name);

// The path of a local file's URL, kept whole: a dropped file's URL holds its name's bytes
// percent-encoded, which QUrl::toLocalFile would decode as UTF-8.
QString NameOfFileUrl(const QUrl& url);

// The program's arguments after its own name, each kept whole.
QStringList ArgumentNames(int argc, const char* const* argv);
