#include "legacy/jetheader.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

using namespace quelmar::legacy;

namespace {

// A first page as the engine writes it: signature, version, code page, creation date and password, with its
// header scrambled.
QByteArray firstPage(int version, const QByteArray& password = {}, double created = 0)
{
    QByteArray page(4096, '\0');
    page[0] = 0;
    page[1] = 1;
    page.replace(4, 15, "Standard Jet DB");
    page[0x14] = char(version);
    qToLittleEndian<quint16>(1252, page.data() + 0x3C);
    quint64 raw = 0;
    std::memcpy(&raw, &created, sizeof raw);
    qToLittleEndian<quint64>(raw, page.data() + 0x72);
    if (version > 0) {
        // Two bytes a character, masked with the whole days of the creation date.
        unsigned char mask[4];
        qToLittleEndian<qint32>(qint32(created), mask);
        for (int i = 0; i < 40; ++i) {
            const char byte = i % 2 == 0 && i / 2 < password.size() ? password.at(i / 2) : '\0';
            page[0x42 + i] = char(byte ^ mask[i % 4]);
        }
    } else {
        page.replace(0x42, password.size(), password);
    }
    return jetheader::toggleScrambling(page);
}

} // namespace

TEST(JetHeader, TellsTheKindTheCutAndThePassword)
{
    const struct
    {
        const char* what;
        QByteArray page;
        qint64 size;
        jetheader::Kind kind;
        bool truncated;
        bool password;
    } cases[]{
        {"Jet 3", firstPage(0), 40 * 2048, jetheader::Kind::Jet3, false, false},
        {"Jet 3 with one byte after its pages", firstPage(0), 40 * 2048 + 1, jetheader::Kind::Jet3, false,
         false},
        {"Jet 3 cut inside a page", firstPage(0), 40 * 2048 + 700, jetheader::Kind::Jet3, true, false},
        {"Jet 3 of only its first page", firstPage(0), 2048, jetheader::Kind::Jet3, true, false},
        {"Jet 3 with a password", firstPage(0, "clave"), 40 * 2048, jetheader::Kind::Jet3, false, true},
        {"Jet 4", firstPage(1, {}, 45352.5), 10 * 4096, jetheader::Kind::Jet4, false, false},
        {"Jet 4 with a password", firstPage(1, "clave", 45352.5), 10 * 4096, jetheader::Kind::Jet4, false,
         true},
        {"Jet 4 cut", firstPage(1, {}, 45352.5), 10 * 4096 - 100, jetheader::Kind::Jet4, true, false},
        {"later format", firstPage(3), 10 * 4096, jetheader::Kind::Ace, false, false},
        {"not a Jet file", QByteArray("SQLite format 3").leftJustified(4096, '\0'), 4096,
         jetheader::Kind::NotJet, false, false},
        {"a few bytes", QByteArray("\0\1\0\0Standard Jet DB", 19), 19, jetheader::Kind::NotJet, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const jetheader::Header header = jetheader::read(c.page, c.size);
        EXPECT_EQ(header.kind, c.kind);
        EXPECT_EQ(header.truncated, c.truncated);
        EXPECT_EQ(header.passwordProtected, c.password);
        if (c.kind != jetheader::Kind::NotJet) {
            EXPECT_EQ(header.codePage, 1252);
        }
    }
}
