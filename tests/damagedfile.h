#pragma once

// A database file damaged on purpose, as a failing disk or an interrupted write leaves one.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace quelmar::testsupport {

// Overwrites the head of each of the last `pages` pages of the (closed) database file; its first page, which
// says what the file is, stays whole.
inline void damageLastPages(const QString& path, int pages)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray header = file.read(100);
    ASSERT_EQ(header.size(), 100);
    const qint64 pageSize = (static_cast<quint8>(header.at(16)) << 8) | static_cast<quint8>(header.at(17));
    const qint64 pageCount = file.size() / pageSize;
    ASSERT_GT(pageCount, pages + 1) << "the file is too small to damage";
    for (qint64 page = pageCount - pages; page < pageCount; ++page) {
        ASSERT_TRUE(file.seek(page * pageSize));
        file.write(QByteArray(64, '\xAB'));
    }
}

} // namespace quelmar::testsupport
