#pragma once
// Message boxes of the program: title "Sundra", one OK button.
//
// installMessageBoxErrorReporter makes the engine's error reporter (errors of
// background work, reported on worker threads) queue such a box on the window
// thread and return at once, so a worker never waits for the window thread.
// showMessage is for the window thread itself ("file can not opened", ...).
// Tests can send the texts to a sink instead of showing boxes.

#include <QString>
#include <functional>

class QWidget;

void installMessageBoxErrorReporter();
// A modal box owned by owner (may be null); returns when the user closed it.
void showMessage(QWidget* owner, const QString& text);
// The same with the information icon: the word at the end of a long job.
void showInformation(QWidget* owner, const QString& text);

// Where no one can answer a box (the offscreen platform), every text goes to
// standard error instead.
void sendMessagesToStandardError();

// A modal question with Yes and No; true for Yes. While a sink is set, the
// text goes to it and the answer is No.
bool askYesNo(QWidget* owner, const QString& question);

// While a sink is set, every text goes to it (on the window thread) instead of
// a box. An empty function shows boxes again.
void setMessageSinkForTests(std::function<void(const QString&)> sink);
// While set, askYesNo gives the question to answer and returns its answer.
void setQuestionAnswerForTests(std::function<bool(const QString&)> answer);
