#include "features/feedback/feedbackdialog.h"

#include "base/tahomafont.h"
#include "features/feedback/emailaddress.h"
#include "localisation/languagecatalogue.h"
#include "update/backgroundsend.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {
// A yellow face, 32 x 32: laughing (mouth open, corners up) or sad (corners down).
QPixmap face(bool laughing)
{
    QPixmap picture(64, 64);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x9a, 0x6b, 0x00), 2.5));
    painter.setBrush(QColor(0xff, 0xd5, 0x2e));
    painter.drawEllipse(QRectF(3, 3, 58, 58));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4a, 0x32, 0x00));
    if (laughing) {
        // Squinting eyes and a wide open mouth.
        painter.setPen(QPen(QColor(0x4a, 0x32, 0x00), 3.5, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(15, 20, 12, 10), 0, 180 * 16);
        painter.drawArc(QRectF(37, 20, 12, 10), 0, 180 * 16);
        QPainterPath mouth;
        mouth.moveTo(14, 36);
        mouth.lineTo(50, 36);
        mouth.arcTo(QRectF(14, 18, 36, 36), 0, -180);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x7a, 0x1f, 0x12));
        painter.drawPath(mouth);
        painter.setBrush(QColor(0xf0, 0x70, 0x70));
        painter.drawEllipse(QRectF(24, 44, 16, 9));
    } else {
        painter.drawEllipse(QRectF(19, 22, 7, 9));
        painter.drawEllipse(QRectF(38, 22, 7, 9));
        painter.setPen(QPen(QColor(0x4a, 0x32, 0x00), 3.5, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(18, 40, 28, 18), 20 * 16, 140 * 16);
    }
    return picture;
}

// A closed envelope, 16 x 16.
QIcon envelope()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x5a, 0x6a, 0x80), 2));
    painter.setBrush(QColor(0xf6, 0xf3, 0xe8));
    painter.drawRect(QRectF(3, 7, 26, 18));
    painter.drawPolyline(QPolygonF{QPointF(3, 7), QPointF(16, 18), QPointF(29, 7)});
    return QIcon(picture);
}

QLabel *label(const QString &name, const QString &text, const QFont &font, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(name);
    result->setFont(font);
    return result;
}
} // namespace

ChoicePanel::ChoicePanel(const QString &name, const QString &imageName, const QPixmap &picture,
                         QWidget *parent)
    : QFrame(parent), m_caption(new QLabel(this))
{
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
    setLineWidth(2);
    auto *image = new QLabel(this);
    image->setObjectName(imageName);
    image->setFixedSize(32, 32);
    image->setScaledContents(true);
    image->setPixmap(picture);
    // A click on the picture or the caption is a click on the panel.
    image->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_caption->setFont(tahomaFont(16));
    m_caption->setAlignment(Qt::AlignCenter);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->addWidget(image);
    layout->addWidget(m_caption, 1);
    setChosen(false);
}

bool ChoicePanel::isChosen() const
{
    return palette().color(QPalette::Window) != QApplication::palette().color(QPalette::Button);
}

void ChoicePanel::setChosen(bool chosen)
{
    // Colours of its own, whatever the style: only the bevel follows the style.
    const QPalette system = QApplication::palette();
    QPalette colours = palette();
    colours.setColor(QPalette::Window,
                     system.color(chosen ? QPalette::Highlight : QPalette::Button));
    colours.setColor(QPalette::WindowText,
                     system.color(chosen ? QPalette::HighlightedText : QPalette::WindowText));
    setPalette(colours);
    setFrameStyle(QFrame::Panel | (chosen ? QFrame::Sunken : QFrame::Raised));
}

QString ChoicePanel::caption() const
{
    return m_caption->text();
}

void ChoicePanel::setCaption(const QString &text)
{
    m_caption->setText(text);
}

void ChoicePanel::mouseReleaseEvent(QMouseEvent *event)
{
    QFrame::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

FeedbackDialog::FeedbackDialog(const LanguageCatalogue &language, const AppIdentity &identity,
                               WebService service, QWidget *parent)
    : QDialog(parent), m_language(language), m_identity(identity), m_service(std::move(service)),
      m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("FeedbackForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(tahomaFont(11));
    setFixedSize(525, 326);

    auto *choiceRow = new QFrame(this);
    choiceRow->setObjectName(QStringLiteral("Panel3"));
    choiceRow->setFixedHeight(46);
    m_likePanel =
        new ChoicePanel(QStringLiteral("Panel4"), QStringLiteral("Image1"), face(true), choiceRow);
    m_dislikePanel =
        new ChoicePanel(QStringLiteral("Panel5"), QStringLiteral("Image2"), face(false), choiceRow);
    m_dislikePanel->setFixedWidth(256);
    auto *choices = new QHBoxLayout(choiceRow);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->setSpacing(0);
    choices->addWidget(m_likePanel, 1);
    choices->addWidget(m_dislikePanel);
    connect(m_likePanel, &ChoicePanel::clicked, this, &FeedbackDialog::chooseLike);
    connect(m_dislikePanel, &ChoicePanel::clicked, this, &FeedbackDialog::chooseDislike);

    m_heading = label(QStringLiteral("Label1"), QString(), tahomaFont(16), this);
    m_question = label(QStringLiteral("Label2"), QString(), tahomaFont(13, true), this);

    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("Memo1"));
    m_note->setFont(tahomaFont(13));
    m_note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_note->setTabChangesFocus(true);
    connect(m_note->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitNote(position, added); });

    auto *addressRow = new QFrame(this);
    addressRow->setObjectName(QStringLiteral("Panel1"));
    addressRow->setFixedHeight(30);
    m_emailLabel = label(QStringLiteral("Label3"), QString(), tahomaFont(13), addressRow);
    m_emailLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_email = new QLineEdit(addressRow);
    m_email->setObjectName(QStringLiteral("Edit1"));
    m_email->setFont(tahomaFont(13));
    m_email->setMaxLength(EmailMaxLength);
    auto *address = new QHBoxLayout(addressRow);
    address->setContentsMargins(4, 2, 4, 2);
    address->addWidget(m_emailLabel);
    address->addWidget(m_email, 1);

    auto *sendRow = new QFrame(this);
    sendRow->setObjectName(QStringLiteral("Panel2"));
    sendRow->setFixedHeight(39);
    m_sendButton = new QPushButton(envelope(), QString(), sendRow);
    m_sendButton->setObjectName(QStringLiteral("BitBtn1"));
    m_sendButton->setFont(tahomaFont(16));
    m_sendButton->setIconSize(QSize(16, 16));
    m_sendButton->setFixedSize(172, 33);
    // Enter in the address box sends nothing: only a click or the button's own keys do.
    m_sendButton->setAutoDefault(false);
    connect(m_sendButton, &QPushButton::clicked, this, &FeedbackDialog::send);
    auto *send = new QHBoxLayout(sendRow);
    send->setContentsMargins(4, 3, 4, 3);
    send->addStretch(1);
    send->addWidget(m_sendButton);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(choiceRow);
    column->addWidget(m_heading);
    column->addWidget(m_question);
    column->addWidget(m_note, 1);
    column->addWidget(addressRow);
    column->addWidget(sendRow);

    // The memo first, so it has the focus when the dialog opens.
    setTabOrder(m_note, m_email);
    setTabOrder(m_email, m_sendButton);
    m_note->setFocus();

    if (const QScreen *display = QGuiApplication::primaryScreen())
        move(display->availableGeometry().center() - rect().center());
    showTexts();
}

void FeedbackDialog::showTexts()
{
    setWindowTitle(m_identity.productName + QLatin1Char(' ') +
                   translated(QStringLiteral("feedback")));
    m_heading->setText(translated(QStringLiteral("We would really appreciate your feedback.")));
    m_question->setText(translated(QStringLiteral("What did you like or dislike?")));
    m_emailLabel->setText(translated(QStringLiteral("Include my e-mail:")));
    m_sendButton->setText(translated(QStringLiteral("Send")));
    m_likePanel->setCaption(translated(Feedback::LikeText));
    m_dislikePanel->setCaption(translated(Feedback::DislikeText));
}

// A choice can be switched, never cleared.
void FeedbackDialog::chooseLike()
{
    m_likePanel->setChosen(true);
    m_dislikePanel->setChosen(false);
}

void FeedbackDialog::chooseDislike()
{
    m_dislikePanel->setChosen(true);
    m_likePanel->setChosen(false);
}

void FeedbackDialog::send()
{
    if (m_sending)
        return; // one note at a time
    const QString failureCaption = translated(QStringLiteral("Failure"));
    bool accepted = false;
    try {
        const QString like = Feedback::choiceText(Feedback::LikeText, m_likePanel->caption());
        const QString dislike =
            Feedback::choiceText(Feedback::DislikeText, m_dislikePanel->caption());
        const QString memo = Feedback::trimmed(
            m_note->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        const QString note =
            Feedback::noteText(m_likePanel->isChosen() ? like : QString(),
                               m_dislikePanel->isChosen() ? dislike : QString(), memo);
        if (memo.isEmpty()) {
            m_note->setFocus();
            m_beep();
            return;
        }
        const QString email = Feedback::trimmed(m_email->text());
        if (!email.isEmpty() && !EmailAddress::isValid(email)) {
            m_email->setFocus();
            message(failureCaption, translated(QStringLiteral("Invalid e-mail address!")),
                    QMessageBox::Critical);
            return;
        }
        const Outcome outcome = post(Feedback::fields(m_identity, note, email));
        if (outcome == Outcome::Abandoned) {
            if (std::exchange(m_closeWhenSent, false))
                close();
            return;
        }
        accepted = outcome == Outcome::Accepted;
    } catch (...) {
        accepted = false;
    }

    if (accepted) {
        message(translated(QStringLiteral("Success")),
                translated(QStringLiteral("Your feedback is received.")) + QStringLiteral("\n\n") +
                    translated(QStringLiteral("Thank you!")),
                QMessageBox::Information);
        close();
    } else {
        message(failureCaption,
                translated(
                    QStringLiteral("Something went wrong. Your feedback could not be delivered.")) +
                    QStringLiteral("\n\n") + translated(QStringLiteral("Please try again later.")),
                QMessageBox::Critical);
    }
}

FeedbackDialog::Outcome FeedbackDialog::post(const QStringList &lines)
{
    BackgroundSend sending(m_service, Feedback::Path, lines);
    QEventLoop wait;
    connect(&sending, &BackgroundSend::finished, &wait, &QEventLoop::quit);
    const QPointer<QWidget> focus = QApplication::focusWidget();
    m_sendButton->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_sending = &sending;
    sending.start();
    // Ends when the answer is in, when closing cancels the post (see closeEvent), or
    // when the program quits, which ends every event loop.
    wait.exec();
    m_sending = nullptr;
    // Back to the default shape, whatever was set before.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_sendButton->setEnabled(true);
    if (focus)
        focus->setFocus();
    if (!sending.isFinished() || m_closeWhenSent)
        return Outcome::Abandoned; // `sending` cancels and waits for its thread as it goes
    const std::optional<QString> &reply = sending.reply().body;
    return reply && Feedback::isAccepted(*reply) ? Outcome::Accepted : Outcome::Refused;
}

void FeedbackDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape in the memo, the address box or on the button closes without sending.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FeedbackDialog::closeEvent(QCloseEvent *event)
{
    if (m_sending) {
        // The wait in send() ends as soon as the post has stopped, and the dialog closes
        // from there, once nothing of the wait is left on the stack.
        m_closeWhenSent = true;
        m_sending->cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

// Keeps the memo within NoteMaxLength by cutting what was just typed or pasted.
void FeedbackDialog::limitNote(int position, int added)
{
    if (m_limiting || added <= 0)
        return;
    const QString text = m_note->toPlainText();
    // A change of the whole document reports one position more than the text holds.
    added = std::min(added, static_cast<int>(text.size()) - position);
    const auto sentLength = [](const QString &part) { return part.size() + part.count(u'\n'); };
    const qsizetype excess = sentLength(text) - NoteMaxLength;
    if (excess <= 0)
        return;
    const QString inserted = text.mid(position, added);
    qsizetype budget = sentLength(inserted) - excess;
    qsizetype keep = 0;
    while (keep < inserted.size()) {
        const qsizetype cost = inserted.at(keep) == u'\n' ? 2 : 1;
        if (cost > budget)
            break;
        budget -= cost;
        ++keep;
    }
    m_limiting = true;
    QTextCursor cursor(m_note->document());
    cursor.setPosition(position + static_cast<int>(keep));
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_limiting = false;
}

QString FeedbackDialog::translated(const QString &text) const
{
    return m_language.translate(text);
}

void FeedbackDialog::message(const QString &caption, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
    box.exec();
}
