#pragma once

#include "panels/mainform.h"
#include "qtprinters.h"
#include "session/session.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace quelmar::testing {

// Answers the program's waits from a list of actions, as a scripted session would, and remembers what it was
// asked. Running out of actions while the program still waits throws, so that a test never hangs.
class ScriptedUser : public UserStandIn
{
public:
    struct Step
    {
        QString verb;
        QString argument;
    };

    void act(const WaitContext& context) override
    {
        kinds.append(context.kind);
        if (steps.isEmpty())
            throw std::runtime_error("the program still waits: " + context.description.toStdString());
        const Step step = steps.takeFirst();
        if (step.verb == QLatin1String("key")) {
            QTest::keyClick(context.widget.data(), static_cast<Qt::Key>(step.argument.toInt()));
            return;
        }
        const bool fitted = context.respond && context.respond(step.verb, step.argument);
        if (!fitted)
            refused.append(step.verb + QLatin1Char(' ') + step.argument);
    }

    void answer(const QString& text) { steps.append({QStringLiteral("answer"), text}); }
    void choose(const QString& entries) { steps.append({QStringLiteral("choose"), entries}); }
    // A key pressed on the widget the program waits on.
    void key(Qt::Key key) { steps.append({QStringLiteral("key"), QString::number(key)}); }

    QList<Step> steps;
    QList<WaitKind> kinds;
    QStringList refused;
};

// A session with its main form shown and a scripted user at the waits; the transcript goes to a file.
class PanelsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(session.transcript.open(m_folder.filePath(QStringLiteral("transcript.txt"))));
        form = std::make_unique<MainForm>(session);
        session.k = form.get();
        form->show();
        session.wait.setStandIn(&user);
    }

    void TearDown() override
    {
        session.wait.setStandIn(nullptr);
        session.k = nullptr;
        form.reset();
    }

    // Transcript lines written since the test began (or the last call).
    QStringList transcriptLines()
    {
        QStringList lines = session.transcript.sinceMark().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        session.transcript.mark();
        return lines;
    }

    Session session;
    ScriptedUser user;
    std::unique_ptr<MainForm> form;

private:
    QTemporaryDir m_folder;
};

} // namespace quelmar::testing
