#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

// Text as the database file holds it: bytes in the file's text encoding. The program
// writes UTF-8, but another tool may have written 8-bit text in a Windows code page
// (a Latin-1 "B\xFCro"). Such bytes are kept as they are for writing back; these
// functions only make them readable.

// The encoding that SQLite's "PRAGMA encoding" names ("UTF-8", "UTF-16le", "UTF-16be").
QStringConverter::Encoding fileTextEncoding(const QString& pragmaEncoding);

// The text that stored bytes show. In a UTF-8 file, valid UTF-8 reads as UTF-8 and
// anything else as Windows-1252, the 8-bit code page of Western Windows systems (a
// superset of Latin-1's printable characters); its five unassigned bytes keep their
// own code, so that no byte is lost or turned into a replacement character.
QString decodeFileText(const QByteArray& bytes, QStringConverter::Encoding encoding);

QString decodeWindows1252(const QByteArray& bytes);

// The bytes that the engine stores for a text the program writes.
QByteArray encodeFileText(const QString& text, QStringConverter::Encoding encoding);
