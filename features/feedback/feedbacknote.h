#pragma once

#include <QString>
#include <QStringList>

class AppIdentity;

// The feedback note: what the dialog sends to the maker's web service and how it reads
// the reply. The dialog posts it through WebService.
namespace Feedback {
inline const QString Path = QStringLiteral("/php/feedback.php");
inline const QString LikeText = QStringLiteral("I like it!");
inline const QString DislikeText = QStringLiteral("I dislike it!");

// Removes every character up to code 32 from both ends (blanks, line breaks and other
// control characters; other Unicode spaces stay).
QString trimmed(const QString &text);

// The English choice text, followed by the caption the user saw in brackets when the
// interface showed a translation: "I like it! (J'aime!)".
QString choiceText(const QString &english, const QString &shownCaption);

// The note: the chosen choice text and a single CR, then the trimmed memo (whose line
// breaks are CR LF). like and dislike hold the choice text of a chosen panel, or are
// null when that panel is not chosen.
QString noteText(const QString &like, const QString &dislike, const QString &trimmedMemo);

// The form lines in their order; "email=" only for a non-empty address.
QStringList fields(const AppIdentity &identity, const QString &note, const QString &email);

// True exactly when the reply, cut at a NUL and trimmed, reads "OK" (case-sensitive):
// line breaks around it do not matter, anything else in it does.
bool isAccepted(const QString &reply);
} // namespace Feedback
