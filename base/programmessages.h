#pragma once

#include <QString>
#include <functional>

class QWidget;

// The questions and messages that several windows ask and show alike.
namespace ProgramMessages {
// Turns an English text into the interface language.
using Translator = std::function<QString(const QString &)>;

// "Restart Application?" with the caption "Confirmation" and Yes/No buttons, all
// translated; true when the user answers Yes. Escape answers No.
bool confirmRestart(QWidget *parent, const Translator &translate);

// The general error message: the text with a full stop at its end, under the
// application's title.
void showGeneralError(QWidget *parent, const QString &message);
} // namespace ProgramMessages
