#pragma once

#include "base/appidentity.h"
#include "features/feedback/feedbacknote.h"
#include "update/webservice.h"

#include <QDialog>
#include <QFrame>
#include <QMessageBox>
#include <functional>

class BackgroundSend;
class LanguageCatalogue;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// One of the two like/dislike panels: a picture and a caption on a bevelled panel that
// reacts to a click anywhere on it. Its colour is its state: the highlight colour when
// chosen, the button face when not.
class ChoicePanel : public QFrame
{
    Q_OBJECT
public:
    ChoicePanel(const QString &name, const QString &imageName, const QPixmap &picture,
                QWidget *parent);

    bool isChosen() const;
    void setChosen(bool chosen);
    QString caption() const;
    void setCaption(const QString &text);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QLabel *m_caption;
};

// The feedback dialog: a like/dislike choice, a note and an optional e-mail address,
// posted at once to the maker's web service. Created for one use and shown modally;
// it deletes itself when it closes (exec() returns first).
//
// "Send" returns once the user has seen the answer, as a modal wait would; but it waits
// with the event loop running and the post on a thread of its own, so that the listening
// session behind the dialog goes on metering, counting and sounding the alarm. While it
// waits the cursor is busy, no second note goes out, and closing the dialog (or quitting
// the program) ends the wait at once without a message.
class FeedbackDialog : public QDialog
{
    Q_OBJECT
public:
    FeedbackDialog(const LanguageCatalogue &language, const AppIdentity &identity,
                   WebService service, QWidget *parent = nullptr);

    // The system's default beep by default; tests count it.
    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    // Longest memo text as sent, each line break counting as CR LF.
    static constexpr qsizetype NoteMaxLength = 10000;
    static constexpr int EmailMaxLength = 100;

    void chooseLike();
    void chooseDislike();
    void send();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    enum class Outcome
    {
        Accepted,  // the service answered "OK"
        Refused,   // any other answer, or no answer on either road
        Abandoned, // the wait ended first: the dialog closes or the program quits
    };
    // Posts the lines and waits for the answer with the event loop running.
    Outcome post(const QStringList &lines);
    void showTexts();
    void limitNote(int position, int added);
    QString translated(const QString &text) const;
    void message(const QString &caption, const QString &text, QMessageBox::Icon icon);

    const LanguageCatalogue &m_language;
    AppIdentity m_identity;
    WebService m_service;
    std::function<void()> m_beep;

    ChoicePanel *m_likePanel;
    ChoicePanel *m_dislikePanel;
    QLabel *m_heading;
    QLabel *m_question;
    QLabel *m_emailLabel;
    QPlainTextEdit *m_note;
    QLineEdit *m_email;
    QPushButton *m_sendButton;
    bool m_limiting = false;
    BackgroundSend *m_sending = nullptr; // the post under way, while send() waits for it
    bool m_closeWhenSent = false;        // closing was asked for during the wait
};
