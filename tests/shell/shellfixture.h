#pragma once

#include "panels/mainform.h"
#include "session/session.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
// Texts in test messages as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace quelmar::shelltest {

// What session.exitProcess throws in these tests, so that the end of the program can be seen.
struct ProgramEnded
{
    int status = 0;
};

// Acts at the program's waits as a scripted session would, from a list of steps, and remembers every wait.
// A step may first look at the screen (inspect) before it answers. Running out of steps while the program
// still waits fails the test and throws, so that a test never hangs.
class ShellUser : public UserStandIn
{
public:
    struct Step
    {
        QString verb; // "menu", "answer", "choose"; empty: only inspect
        QString argument;
        std::function<void(const WaitContext&)> inspect;
    };

    void act(const WaitContext& context) override;

    void menu(int option, std::function<void(const WaitContext&)> inspect = {});
    void answer(const QString& text, std::function<void(const WaitContext&)> inspect = {});
    void choose(const QString& entries);
    void inspect(std::function<void(const WaitContext&)> look);

    QList<Step> steps;
    QStringList waits;   // the description of every wait acted on
    QStringList refused; // the answers that did not fit their wait
};

// A working folder, a session with its main form shown and a scripted user at the waits. The program's end
// throws ProgramEnded; the transcript is written to a file of the folder.
class ShellTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString path(const QString& name) const;
    void writeFile(const QString& name, const QByteArray& bytes) const;
    void writeLines(const QString& name, const QStringList& lines) const;
    QStringList fileLines(const QString& name) const;
    // A database with the parameters table and these rows (Clase, Nombre, Clave, Contenido).
    void createDatabase(const QString& name, const QList<QStringList>& parameterRows) const;
    // The transcript written since the test began or since the last call.
    QStringList transcriptLines();

    QTemporaryDir folder;
    Session session;
    ShellUser user;
    std::unique_ptr<MainForm> form;
};

// The repository's file of that name in data/.
QString repositoryData(const QString& name);

} // namespace quelmar::shelltest
