#pragma once

// A database file damaged on purpose, as a failing disk or an interrupted write leaves one.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>

#include <gtest/gtest.h>

namespace quelmar::testsupport {

// Overwrites the head of `pages` pages of the (closed) database file from the page at `where` (0 the start, 1
// the end) of the file on; its first page, which says what the file is, stays whole.
inline void damagePages(const QString& path, double where, int pages)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray header = file.read(100);
    ASSERT_EQ(header.size(), 100);
    const qint64 pageSize = (static_cast<quint8>(header.at(16)) << 8) | static_cast<quint8>(header.at(17));
    const qint64 pageCount = file.size() / pageSize;
    ASSERT_GT(pageCount, pages + 1) << "the file is too small to damage";
    const qint64 first = std::clamp<qint64>(qint64(double(pageCount) * where), 1, pageCount - pages);
    for (qint64 page = first; page < first + pages; ++page) {
        ASSERT_TRUE(file.seek(page * pageSize));
        file.write(QByteArray(64, '\xAB'));
    }
}

// The last `pages` pages of the file.
inline void damageLastPages(const QString& path, int pages)
{
    damagePages(path, 1.0, pages);
}

} // namespace quelmar::testsupport
