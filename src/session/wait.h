#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace quelmar {

// What the program waits for the user to do; a scripted session acts according to it.
enum class WaitKind
{
    Menu,        // a menu on the menu form
    MessageBox,  // a standard message box or question
    InputBox,    // a standard input box
    FooterInput, // the input field beside the footer message
    ButtonRow,   // a row of choice buttons
    AccessKey,   // the access-key box
    FileDialog,
    Period, // two dates
    OneDate,
    List,   // a single- or multiple-choice list
    Screen, // a panel, grid or form of the application
};

struct WaitContext
{
    WaitKind kind = WaitKind::Screen;
    QString description;      // what the program waits for, in words (the transcript's [wait] line)
    QPointer<QWidget> widget; // the dialog, field, list or form concerned, when there is one
    // Carries out an answer the way a person would at this wait (clicks the button, types the text and
    // presses INTRO…): verb "menu" (argument: the option number), "answer" (the text; empty for an empty
    // answer), "choose" (entry numbers separated by blanks, or a quoted text). False when the answer does
    // not fit this wait (no such button, entry…).
    std::function<bool(const QString& verb, const QString& argument)> respond;
};

// Someone acting in the user's place (a scripted session). At each wait for the user the program hands it the
// wait; it applies actions until one of them may end the wait, and returns.
class UserStandIn
{
public:
    virtual ~UserStandIn() = default;
    virtual void act(const WaitContext& context) = 0;
};

// The one wait of the program: every "wait until a code is set" goes through here. It blocks in Qt's event
// loop until an event arrives, never polling, and checks the condition after each round of events.
class Wait
{
public:
    // Waits for the user until done() holds.
    void forUser(const std::function<bool()>& done, const WaitContext& context);
    // Waits for something that does not depend on the user (a timer, a printer, a process).
    void until(const std::function<bool()>& done);
    // Lets pending window events run, without waiting for more.
    void letEventsRun();

    void setStandIn(UserStandIn* standIn) { m_standIn = standIn; }
    UserStandIn* standIn() const { return m_standIn; }

private:
    UserStandIn* m_standIn = nullptr;
};

} // namespace quelmar
