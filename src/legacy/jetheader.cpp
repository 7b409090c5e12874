#include "legacy/jetheader.h"

#include <QtEndian>

#include <array>
#include <cmath>
#include <cstring>

namespace quelmar::legacy::jetheader {

namespace {

constexpr int ScrambledFrom = 0x18;
constexpr int VersionAt = 0x14;
constexpr int CodePageAt = 0x3C;
constexpr int PasswordAt = 0x42;
constexpr int CreationDateAt = 0x72;
// Bytes after the last whole page that a file may carry (some copying tools add one).
constexpr qint64 TolerableTail = 16;
// The header page, the global usage map and the catalogue's own table come first in every file.
constexpr qint64 LeastPages = 3;

// The fixed key of the header's scrambling, an RC4 stream.
constexpr std::array<unsigned char, 4> ScrambleKey = {0xC7, 0xDA, 0x39, 0x6B};

void rc4(unsigned char* data, int length)
{
    std::array<unsigned char, 256> state{};
    for (int i = 0; i < 256; ++i)
        state[size_t(i)] = static_cast<unsigned char>(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + state[size_t(i)] + ScrambleKey[size_t(i) % ScrambleKey.size()]) & 0xFF;
        std::swap(state[size_t(i)], state[size_t(j)]);
    }
    int a = 0;
    int b = 0;
    for (int k = 0; k < length; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + state[size_t(a)]) & 0xFF;
        std::swap(state[size_t(a)], state[size_t(b)]);
        data[k] ^= state[size_t((state[size_t(a)] + state[size_t(b)]) & 0xFF)];
    }
}

int scrambledLength(Kind kind)
{
    return kind == Kind::Jet3 ? 126 : 128;
}

Kind kindOf(const QByteArray& page)
{
    if (page.size() < ScrambledFrom + 128)
        return Kind::NotJet;
    const QByteArray signature = page.mid(4, 15);
    if (signature != "Standard Jet DB" && signature != "Standard ACE DB")
        return Kind::NotJet;
    switch (static_cast<unsigned char>(page.at(VersionAt))) {
    case 0:
        return Kind::Jet3;
    case 1:
        return Kind::Jet4;
    default:
        return Kind::Ace;
    }
}

} // namespace

QByteArray toggleScrambling(QByteArray firstPage)
{
    const Kind kind = kindOf(firstPage);
    if (kind == Kind::NotJet)
        return firstPage;
    rc4(reinterpret_cast<unsigned char*>(firstPage.data()) + ScrambledFrom, scrambledLength(kind));
    return firstPage;
}

Header read(const QByteArray& firstPage, qint64 fileSize)
{
    Header header;
    header.kind = kindOf(firstPage);
    if (header.kind == Kind::NotJet)
        return header;
    header.pageSize = header.kind == Kind::Jet3 ? 2048 : 4096;
    header.truncated = fileSize < LeastPages * header.pageSize || fileSize % header.pageSize > TolerableTail;

    const QByteArray plain = toggleScrambling(firstPage);
    const auto* bytes = reinterpret_cast<const unsigned char*>(plain.constData());
    header.codePage = qFromLittleEndian<quint16>(bytes + CodePageAt);
    // The password: 20 bytes in a Jet 3 file; 40 (two bytes a character) in later ones, masked there with the
    // whole days of the file's creation date.
    const int length = header.kind == Kind::Jet3 ? 20 : 40;
    std::array<unsigned char, 4> mask{};
    if (header.kind != Kind::Jet3) {
        const quint64 raw = qFromLittleEndian<quint64>(bytes + CreationDateAt);
        double created = 0;
        std::memcpy(&created, &raw, sizeof created);
        if (std::isfinite(created) && std::abs(created) < 1e9)
            qToLittleEndian(static_cast<qint32>(std::floor(created)), mask.data());
    }
    for (int i = 0; i < length; ++i) {
        if ((bytes[PasswordAt + i] ^ mask[size_t(i) % mask.size()]) != 0)
            header.passwordProtected = true;
    }
    return header;
}

} // namespace quelmar::legacy::jetheader
