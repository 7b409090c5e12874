#include "output/rtfreader.h"

#include <QList>
#include <QStringDecoder>

namespace quelmar::output::rtf {

namespace {

struct Format
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    bool skip = false; // inside a destination that is not shown
    int unicodeSkip = 1;

    bool operator==(const Format&) const = default;
};

struct Paragraph
{
    QString align = QStringLiteral("left");
    QString html;
};

class Reader
{
public:
    explicit Reader(const QByteArray& text) : m_text(text) {}

    QString run()
    {
        QList<Format> stack;
        Format format;
        bool groupStart = false;
        while (m_at < m_text.size()) {
            const char c = m_text.at(m_at);
            if (c == '{') {
                stack.append(format);
                groupStart = true;
                ++m_at;
                continue;
            }
            if (c == '}') {
                if (!stack.isEmpty())
                    format = stack.takeLast();
                groupStart = false;
                ++m_at;
                continue;
            }
            if (c == '\\') {
                control(format, groupStart);
                groupStart = false;
                continue;
            }
            groupStart = false;
            ++m_at;
            if (c == '\r' || c == '\n')
                continue;
            text(format, QString(QChar::fromLatin1(c)));
        }
        if (m_hasText)
            closeParagraph();
        QString html = QStringLiteral("<html><body>");
        for (const Paragraph& paragraph : m_paragraphs)
            html += QStringLiteral("<p align=\"%1\" style=\"margin:0\">%2</p>")
                        .arg(paragraph.align,
                             paragraph.html.isEmpty() ? QStringLiteral("&nbsp;") : paragraph.html);
        return html + QStringLiteral("</body></html>");
    }

private:
    // A control word or symbol at m_at (which points at the backslash).
    void control(Format& format, bool groupStart)
    {
        ++m_at;
        if (m_at >= m_text.size())
            return;
        const char c = m_text.at(m_at);
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_at;
            if (c == '\'') {
                const int code = m_text.mid(m_at, 2).toInt(nullptr, 16);
                m_at += 2;
                const QByteArray byte(1, static_cast<char>(code));
                text(format,
                     m_windows1252.isValid() ? QString(m_windows1252(byte)) : QString::fromLatin1(byte));
            } else if (c == '*') {
                format.skip = true;
            } else if (c == '~') {
                text(format, QString(QChar(0x00A0)));
            } else if (c == '\\' || c == '{' || c == '}') {
                text(format, QString(QChar::fromLatin1(c)));
            } else if (c == '\r' || c == '\n') {
                closeParagraph();
            }
            return;
        }
        const qsizetype start = m_at;
        while (m_at < m_text.size() && std::isalpha(static_cast<unsigned char>(m_text.at(m_at))))
            ++m_at;
        const QByteArray word = m_text.mid(start, m_at - start);
        bool hasNumber = false;
        int number = 0;
        const qsizetype numberStart = m_at;
        if (m_at < m_text.size() &&
            (m_text.at(m_at) == '-' || std::isdigit(static_cast<unsigned char>(m_text.at(m_at))))) {
            ++m_at;
            while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text.at(m_at))))
                ++m_at;
            number = m_text.mid(numberStart, m_at - numberStart).toInt();
            hasNumber = true;
        }
        if (m_at < m_text.size() && m_text.at(m_at) == ' ')
            ++m_at;
        apply(format, word, hasNumber, number, groupStart);
    }

    void apply(Format& format, const QByteArray& word, bool hasNumber, int number, bool groupStart)
    {
        static const QList<QByteArray> hidden{
            "fonttbl", "colortbl",  "stylesheet",        "info",     "pict", "header", "footer",
            "object",  "listtable", "listoverridetable", "generator"};
        if (groupStart && hidden.contains(word)) {
            format.skip = true;
            return;
        }
        const bool on = !hasNumber || number != 0;
        if (word == "par") {
            closeParagraph();
        } else if (word == "line") {
            text(format, QString(), QStringLiteral("<br/>"));
        } else if (word == "tab") {
            text(format, QString(), QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"));
        } else if (word == "b") {
            format.bold = on;
        } else if (word == "i") {
            format.italic = on;
        } else if (word == "ul") {
            format.underline = on;
        } else if (word == "ulnone") {
            format.underline = false;
        } else if (word == "plain") {
            const bool skip = format.skip;
            format = Format{};
            format.skip = skip;
        } else if (word == "fs" && hasNumber && number > 0) {
            format.halfPoints = number;
        } else if (word == "pard") {
            m_align = QStringLiteral("left");
        } else if (word == "qc") {
            m_align = QStringLiteral("center");
        } else if (word == "qr") {
            m_align = QStringLiteral("right");
        } else if (word == "ql" || word == "qj") {
            m_align = QStringLiteral("left");
        } else if (word == "uc" && hasNumber) {
            format.unicodeSkip = std::max(0, number);
        } else if (word == "u" && hasNumber) {
            text(format, QString(QChar(static_cast<char16_t>(number < 0 ? number + 65536 : number))));
            skipFallback(format.unicodeSkip);
        } else if (word == "emdash") {
            text(format, QString(QChar(0x2014)));
        } else if (word == "endash") {
            text(format, QString(QChar(0x2013)));
        } else if (word == "bullet") {
            text(format, QString(QChar(0x2022)));
        }
    }

    // The characters that stand in for a \u character in readers without Unicode.
    void skipFallback(int count)
    {
        for (int i = 0; i < count && m_at < m_text.size(); ++i) {
            if (m_text.at(m_at) == '\\' && m_at + 1 < m_text.size() && m_text.at(m_at + 1) == '\'')
                m_at += 4;
            else if (m_text.at(m_at) == '{' || m_text.at(m_at) == '}')
                return;
            else
                ++m_at;
        }
    }

    void text(const Format& format, const QString& plain, const QString& markup = QString())
    {
        if (format.skip)
            return;
        QString html = markup.isEmpty() ? plain.toHtmlEscaped() : markup;
        if (plain == QStringLiteral(" ") && markup.isEmpty())
            html = QStringLiteral(" ");
        if (html.isEmpty())
            return;
        QString style = QStringLiteral("font-size:%1pt;").arg(format.halfPoints / 2.0);
        if (format.bold)
            style += QStringLiteral("font-weight:bold;");
        if (format.italic)
            style += QStringLiteral("font-style:italic;");
        if (format.underline)
            style += QStringLiteral("text-decoration:underline;");
        if (style != m_openStyle) {
            if (!m_openStyle.isEmpty())
                m_current.html += QStringLiteral("</span>");
            m_current.html += QStringLiteral("<span style=\"%1\">").arg(style);
            m_openStyle = style;
        }
        m_current.html += html;
        m_hasText = true;
    }

    void closeParagraph()
    {
        if (!m_openStyle.isEmpty())
            m_current.html += QStringLiteral("</span>");
        m_openStyle.clear();
        m_current.align = m_align;
        m_paragraphs.append(m_current);
        m_current = Paragraph{};
        m_hasText = false;
    }

    QByteArray m_text;
    qsizetype m_at = 0;
    QList<Paragraph> m_paragraphs;
    Paragraph m_current;
    QString m_align = QStringLiteral("left");
    QString m_openStyle;
    bool m_hasText = false;
    QStringDecoder m_windows1252{"windows-1252"};
};

} // namespace

QString toHtml(const QByteArray& rtf)
{
    if (!rtf.trimmed().startsWith("{\\rtf"))
        return {};
    return Reader(rtf).run();
}

} // namespace quelmar::output::rtf
