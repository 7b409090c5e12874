#pragma once

#include "session/session.h"

#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

// Answers the program's message boxes as a person would, through each wait's respond(), and keeps what each
// wait showed. Answers are taken in order; once they run out every box gets its default answer.
class AnsweringStandIn : public quelmar::UserStandIn
{
public:
    explicit AnsweringStandIn(quelmar::Session& session, QStringList answers = {})
        : m_session(session), m_answers(std::move(answers))
    {
        m_session.wait.setStandIn(this);
    }
    ~AnsweringStandIn() override { m_session.wait.setStandIn(nullptr); }

    void act(const quelmar::WaitContext& context) override
    {
        shown.append(context.description);
        const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        if (!context.respond || !context.respond(QStringLiteral("answer"), answer)) {
            ADD_FAILURE() << "the wait took no answer: " << context.description.toStdString();
            if (context.widget)
                context.widget->close();
        }
    }

    QStringList shown; // the description of every wait, in order

private:
    quelmar::Session& m_session;
    QStringList m_answers;
};
