#include "session/transcript.h"

#include <QFile>

#include <cstdio>

namespace quelmar {

Transcript::Transcript() = default;
Transcript::~Transcript() = default;

bool Transcript::open(const QString& path)
{
    auto file = std::make_unique<QFile>();
    const bool opened = path.isEmpty() || path == QLatin1String("-")
                            ? file->open(stdout, QIODevice::WriteOnly | QIODevice::Text)
                            : (file->setFileName(path),
                               file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
    if (!opened)
        return false;
    m_device = std::move(file);
    return true;
}

void Transcript::write(const QString& tag, const QString& text)
{
    if (!m_device)
        return;
    const QString line = QStringLiteral("[%1] %2\n").arg(tag, oneLine(text));
    m_device->write(line.toUtf8());
    if (auto* file = qobject_cast<QFile*>(m_device.get()))
        file->flush();
    m_sinceMark += line;
}

QString Transcript::oneLine(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    result.replace(QLatin1Char('\n'), QLatin1String(" / "));
    result.replace(QLatin1Char('\r'), QLatin1String(" / "));
    return result;
}

} // namespace quelmar
