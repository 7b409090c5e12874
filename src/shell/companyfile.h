#pragma once

#include <QString>
#include <QStringList>

// The company (branch) file: one text line per company datum, 13 of them. A line that begins with the
// character of code 1 followed by "KT" is stored encoded: the marker, then the text's UTF-8 bytes in base64.
namespace quelmar::shell {

inline constexpr int CompanyDataCount = 13;

bool isEncodedCompanyLine(const QString& line);
QString encodeCompanyLine(const QString& text);
// The text of an encoded line; empty when what follows the marker is not valid base64.
QString decodeCompanyLine(const QString& line);

// CompanyData from the lines of a company file: the lines are taken up to 13 (padded with empty lines); an
// encoded line is decoded; a plain line is copied when `flag` is 0, otherwise `current` keeps its value.
QStringList companyDataFromLines(const QStringList& lines, const QStringList& current, int flag);

} // namespace quelmar::shell
