#pragma once

#include <QByteArray>

// The first page of a Jet database file, read before the file is handed to the reader: what kind of file it
// is, whether it was cut short and whether it is protected with a password.
namespace quelmar::legacy::jetheader {

enum class Kind
{
    NotJet,
    Jet3,
    Jet4,
    Ace // the later format of the same engine
};

struct Header
{
    Kind kind = Kind::NotJet;
    int pageSize = 0;
    bool truncated = false; // the file ends inside a page, or before the pages every file has
    bool passwordProtected = false;
    int codePage = 0; // the code page of the file's text (Jet 3 files), 0 when not given
};

// Reads the first page (at least its first 128 bytes) of a file of the given size.
Header read(const QByteArray& firstPage, qint64 fileSize);

// The header with its scrambled part (from byte 0x18) unscrambled; applied again it scrambles it back.
QByteArray toggleScrambling(QByteArray firstPage);

} // namespace quelmar::legacy::jetheader
