#pragma once

// A demonstration office made by the companion command, and the real program run on it with a script.
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace quelmar::automationtest {

constexpr int ProcessTimeout = 60000;

class OfficeSession : public testing::Test
{
protected:
    explicit OfficeSession(int subscribers = 60) : m_subscribers(subscribers) {}

    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("create-demo"), office(), QStringLiteral("--subscribers"),
                     QString::number(m_subscribers), QStringLiteral("--years"), QStringLiteral("1")});
        ASSERT_TRUE(admin.waitForFinished(ProcessTimeout));
        ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();
    }

    QString office() const { return m_folder.filePath(QStringLiteral("oficina")); }
    QString path(const QString& name) const { return m_folder.filePath(name); }

    // The program's environment: no display, so that a scripted session finds its own way offscreen.
    static QProcessEnvironment withoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        return environment;
    }

    // Starts the program in the test's folder (through the launcher, when one is set).
    void startProgram(QProcess& program, const QStringList& arguments,
                      const QProcessEnvironment& environment = withoutDisplay()) const
    {
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(m_folder.path());
        if (m_launcher.isEmpty())
            program.start(QStringLiteral(QUELMAR_PROGRAM), arguments);
        else
            program.start(m_launcher.constFirst(),
                          m_launcher.mid(1) + QStringList{QStringLiteral(QUELMAR_PROGRAM)} + arguments);
    }

    // Runs the script on the office and gives the exit status; the transcript's lines go to `transcript`, the
    // whole transcript with the program's error output to m_transcript, the error output alone to m_errors.
    int run(const QString& script, QStringList* transcript = nullptr, const QStringList& extra = {})
    {
        return runIn(office(), script, transcript, extra);
    }

    // The same on the office in another folder.
    int runIn(const QString& folder, const QString& script, QStringList* transcript = nullptr,
              const QStringList& extra = {})
    {
        const QString scriptFile = path(QStringLiteral("guion.txt"));
        const QString transcriptFile = path(QStringLiteral("transcripcion.txt"));
        QFile file(scriptFile);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        QFile::remove(transcriptFile);

        QProcess program;
        startProgram(program, QStringList{QStringLiteral("--dir"), folder, QStringLiteral("--script"),
                                          scriptFile, QStringLiteral("--transcript"), transcriptFile} +
                                  extra);
        if (!program.waitForFinished(ProcessTimeout)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return -1;
        }
        m_errors = QString::fromUtf8(program.readAllStandardError());
        const QStringList shown = lines(transcriptFile);
        if (transcript)
            *transcript = shown;
        m_transcript = shown.join(QLatin1Char('\n')) + QLatin1Char('\n') + m_errors;
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    // One value of the office database (or the statement's effect), as the companion command prints it.
    QString query(const QString& statement)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), statement});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        const QStringList found =
            QString::fromUtf8(admin.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return found.size() >= 2 ? found.at(1).trimmed() : QString();
    }

    // A date as the program's date questions take it ("27-Jun-2026").
    static QString shownDate(const QDate& date)
    {
        static const char* const months[] = {"Ene", "Feb", "Mar", "Abr", "May", "Jun",
                                             "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"};
        return QStringLiteral("%1-%2-%3")
            .arg(date.day(), 2, 10, QLatin1Char('0'))
            .arg(QString::fromLatin1(months[date.month() - 1]))
            .arg(date.year());
    }

    static QStringList lines(const QString& fileName)
    {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static bool anyStartsWith(const QStringList& found, const QString& start)
    {
        return std::any_of(found.begin(), found.end(),
                           [&start](const QString& line) { return line.startsWith(start); });
    }

    std::string transcript() const { return m_transcript.toStdString(); }

    QString m_transcript;
    QString m_errors;
    // A command put before the program, such as one that runs it as another user; empty: none.
    QStringList m_launcher;

private:
    int m_subscribers;
    QTemporaryDir m_folder;
};

} // namespace quelmar::automationtest
