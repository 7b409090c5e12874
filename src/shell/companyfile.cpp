#include "shell/companyfile.h"

#include <QByteArray>

namespace quelmar::shell {

namespace {

QString marker()
{
    return QChar(1) + QStringLiteral("KT");
}

} // namespace

bool isEncodedCompanyLine(const QString& line)
{
    return line.startsWith(marker());
}

QString encodeCompanyLine(const QString& text)
{
    return marker() + QString::fromLatin1(text.toUtf8().toBase64());
}

QString decodeCompanyLine(const QString& line)
{
    const QByteArray encoded = line.mid(marker().size()).trimmed().toLatin1();
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return {};
    return QString::fromUtf8(*decoded);
}

QStringList companyDataFromLines(const QStringList& lines, const QStringList& current, int flag)
{
    QStringList data = current;
    data.resize(CompanyDataCount);
    for (int i = 0; i < CompanyDataCount; ++i) {
        const QString line = lines.value(i);
        if (isEncodedCompanyLine(line))
            data[i] = decodeCompanyLine(line);
        else if (flag == 0)
            data[i] = line;
    }
    return data;
}

} // namespace quelmar::shell
