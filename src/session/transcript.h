#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;

namespace quelmar {

// Everything a person would have seen, one item per line, each beginning with its tag in square brackets:
// "[menu] …", "[message] …". Written only in a scripted session; otherwise every call does nothing.
//
// Line formats (texts exactly as shown on the screen; line breaks inside a text written as " / "):
//   [menu] TITLE | 1 Caption | 2 Caption | … | 98 Centre
//   [message] TITLE: TEXT [Button] [Button]          (also [question] for Yes/No or OK/Cancel questions)
//   [input] TITLE: PROMPT = DEFAULT
//   [footer] TEXT        [notice] TEXT
//   [buttons] MESSAGE | Caption | Caption             (captions without "&")
//   [list] TITLE | 1 entry | 2 entry
//   [wait] WHAT
class Transcript
{
public:
    Transcript();
    ~Transcript();

    // Starts writing to the file (standard output for "-" or an empty path).
    bool open(const QString& path);
    bool isOn() const { return m_device != nullptr; }

    void write(const QString& tag, const QString& text);

    // Text written since the last mark, for a scripted session's "expect".
    QString sinceMark() const { return m_sinceMark; }
    void mark() { m_sinceMark.clear(); }

    // A text as one transcript line: CR LF, LF and CR become " / ".
    static QString oneLine(const QString& text);

private:
    std::unique_ptr<QIODevice> m_device;
    QString m_sinceMark;
};

} // namespace quelmar
