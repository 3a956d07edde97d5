#include "dialogs/feedback.h"

#include "app/tahomafont.h"
#include "dialogs/emailaddress.h"
#include "localisation/languagecatalogue.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

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

TFeedbackForm::TFeedbackForm(const LanguageCatalogue &language, const AppIdentity &identity,
                             FeedbackService service, QWidget *parent)
    : QDialog(parent), m_language(language), m_identity(identity), m_service(std::move(service)),
      m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("FeedbackForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(tahomaFont(11));
    setFixedSize(525, 326);

    auto *Panel3 = new QFrame(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(46);
    Panel4 =
        new ChoicePanel(QStringLiteral("Panel4"), QStringLiteral("Image1"), face(true), Panel3);
    Panel5 =
        new ChoicePanel(QStringLiteral("Panel5"), QStringLiteral("Image2"), face(false), Panel3);
    Panel5->setFixedWidth(256);
    auto *choices = new QHBoxLayout(Panel3);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->setSpacing(0);
    choices->addWidget(Panel4, 1);
    choices->addWidget(Panel5);
    connect(Panel4, &ChoicePanel::clicked, this, &TFeedbackForm::Image1Click);
    connect(Panel5, &ChoicePanel::clicked, this, &TFeedbackForm::Image2Click);

    Label1 = label(QStringLiteral("Label1"), QString(), tahomaFont(16), this);
    Label2 = label(QStringLiteral("Label2"), QString(), tahomaFont(13, true), this);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFont(tahomaFont(13));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    connect(Memo1->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) { limitMemo(position, added); });

    auto *Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(30);
    Label3 = label(QStringLiteral("Label3"), QString(), tahomaFont(13), Panel1);
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFont(tahomaFont(13));
    Edit1->setMaxLength(EditMaxLength);
    auto *address = new QHBoxLayout(Panel1);
    address->setContentsMargins(4, 2, 4, 2);
    address->addWidget(Label3);
    address->addWidget(Edit1, 1);

    auto *Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(39);
    BitBtn1 = new QPushButton(envelope(), QString(), Panel2);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setFont(tahomaFont(16));
    BitBtn1->setIconSize(QSize(16, 16));
    BitBtn1->setFixedSize(172, 33);
    // Enter in the address box sends nothing: only a click or the button's own keys do.
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TFeedbackForm::BitBtn1Click);
    auto *send = new QHBoxLayout(Panel2);
    send->setContentsMargins(4, 3, 4, 3);
    send->addStretch(1);
    send->addWidget(BitBtn1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(Panel3);
    column->addWidget(Label1);
    column->addWidget(Label2);
    column->addWidget(Memo1, 1);
    column->addWidget(Panel1);
    column->addWidget(Panel2);

    // The memo first, so it has the focus when the dialog opens.
    setTabOrder(Memo1, Edit1);
    setTabOrder(Edit1, BitBtn1);
    Memo1->setFocus();

    if (const QScreen *display = QGuiApplication::primaryScreen())
        move(display->availableGeometry().center() - rect().center());
    FormCreate();
}

void TFeedbackForm::FormCreate()
{
    setWindowTitle(m_identity.productName + QLatin1Char(' ') +
                   translated(QStringLiteral("feedback")));
    Label1->setText(translated(QStringLiteral("We would really appreciate your feedback.")));
    Label2->setText(translated(QStringLiteral("What did you like or dislike?")));
    Label3->setText(translated(QStringLiteral("Include my e-mail:")));
    BitBtn1->setText(translated(QStringLiteral("Send")));
    Panel4->setCaption(translated(Feedback::LikeText));
    Panel5->setCaption(translated(Feedback::DislikeText));
}

// A choice can be switched, never cleared.
void TFeedbackForm::Image1Click()
{
    Panel4->setChosen(true);
    Panel5->setChosen(false);
}

void TFeedbackForm::Image2Click()
{
    Panel5->setChosen(true);
    Panel4->setChosen(false);
}

void TFeedbackForm::BitBtn1Click()
{
    const QString failureCaption = translated(QStringLiteral("Failure"));
    bool accepted = false;
    try {
        const QString like = Feedback::choiceText(Feedback::LikeText, Panel4->caption());
        const QString dislike = Feedback::choiceText(Feedback::DislikeText, Panel5->caption());
        const QString memo = Feedback::trimmed(
            Memo1->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        const QString note = Feedback::noteText(Panel4->isChosen() ? like : QString(),
                                                Panel5->isChosen() ? dislike : QString(), memo);
        if (memo.isEmpty()) {
            Memo1->setFocus();
            m_beep();
            return;
        }
        const QString email = Feedback::trimmed(Edit1->text());
        if (!email.isEmpty() && !EmailAddress::isValid(email)) {
            Edit1->setFocus();
            message(failureCaption, translated(QStringLiteral("Invalid e-mail address!")),
                    QMessageBox::Critical);
            return;
        }
        const QStringList lines = Feedback::fields(m_identity, note, email);

        QApplication::setOverrideCursor(Qt::BusyCursor);
        std::optional<QString> reply;
        try {
            reply = m_service.send(lines);
        } catch (...) {
            reply.reset();
        }
        // Back to the default shape, whatever was set before.
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        accepted = reply && Feedback::isAccepted(*reply);
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

void TFeedbackForm::keyPressEvent(QKeyEvent *event)
{
    // Escape in the memo, the address box or on the button closes without sending.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Keeps the memo within MemoMaxLength by cutting what was just typed or pasted.
void TFeedbackForm::limitMemo(int position, int added)
{
    if (m_limiting || added <= 0)
        return;
    const QString text = Memo1->toPlainText();
    // A change of the whole document reports one position more than the text holds.
    added = std::min(added, static_cast<int>(text.size()) - position);
    const auto sentLength = [](const QString &part) { return part.size() + part.count(u'\n'); };
    const qsizetype excess = sentLength(text) - MemoMaxLength;
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
    QTextCursor cursor(Memo1->document());
    cursor.setPosition(position + static_cast<int>(keep));
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_limiting = false;
}

QString TFeedbackForm::translated(const QString &text) const
{
    return m_language.Translate(text);
}

void TFeedbackForm::message(const QString &caption, const QString &text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
    box.exec();
}
