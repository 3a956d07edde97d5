#include "update/updatenotice.h"

#include "base/desktop.h"
#include "base/windowplacement.h"
#include "localisation/languagecatalogue.h"
#include "update/downloadaddress.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int Width = 320;
constexpr int Height = 68;
constexpr int Margin = 5;
constexpr int AnimationMs = 100;

QFont noticeFont(int pixelSize, bool bold, bool underline)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}
} // namespace

UpdateNotice::UpdateNotice(Desktop &desktop, const LanguageCatalogue &language,
                           const Announcement &announcement, QWidget *mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_desktop(desktop), m_announcement(announcement), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("NewVer"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(Width, Height);
    setCursor(Qt::ArrowCursor);

    auto *body = new QFrame(this);
    body->setObjectName(QStringLiteral("Panel1"));
    body->setFrameStyle(QFrame::Panel | QFrame::Raised);
    body->setAutoFillBackground(true);
    body->setBackgroundRole(QPalette::Button);
    auto *row = new QHBoxLayout(body);
    row->setContentsMargins(4, 4, 1, 1);
    row->setSpacing(0);

    auto *icon = new QLabel(body);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setFixedSize(60, 60);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto *message = new QWidget(body);
    message->setObjectName(QStringLiteral("Panel2"));
    auto *column = new QVBoxLayout(message);
    column->setContentsMargins(3, 3, 3, 0);
    column->setSpacing(0);
    m_title = new QLabel(language.translate(QStringLiteral("UPDATE AVAILABLE")), message);
    m_title->setObjectName(QStringLiteral("Label1"));
    m_title->setFont(noticeFont(13, true, false));
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setFixedHeight(16);
    column->addWidget(m_title);
    m_link =
        new QLabel(language.translate(QStringLiteral("Click to download")) + QLatin1Char(' ') +
                       announcement.productName + QLatin1Char(' ') + announcement.latestVersion,
                   message);
    m_link->setObjectName(QStringLiteral("Label2"));
    m_link->setFont(noticeFont(13, false, true));
    m_link->setAlignment(Qt::AlignCenter);
    m_link->setWordWrap(true);
    m_link->setCursor(Qt::PointingHandCursor);
    column->addWidget(m_link, 1);
    row->addWidget(message, 1);

    auto *closeStrip = new QWidget(body);
    closeStrip->setObjectName(QStringLiteral("Panel3"));
    closeStrip->setFixedWidth(22);
    auto *closeColumn = new QVBoxLayout(closeStrip);
    closeColumn->setContentsMargins(0, 0, 0, 0);
    m_closeButton = new QPushButton(closeStrip);
    m_closeButton->setObjectName(QStringLiteral("Button1"));
    m_closeButton->setFixedSize(22, 22);
    m_closeButton->setIcon(QIcon::fromTheme(QStringLiteral("window-close"),
                                            style()->standardIcon(QStyle::SP_TitleBarCloseButton)));
    m_closeButton->setCursor(Qt::PointingHandCursor);
    closeColumn->addWidget(m_closeButton);
    closeColumn->addStretch(1);
    row->addWidget(closeStrip);

    auto *whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(body);

    // Drag by the body, the icon, the title and the strip under the close button.
    for (QWidget *handle : {static_cast<QWidget *>(body), static_cast<QWidget *>(icon),
                            static_cast<QWidget *>(m_title), closeStrip})
        handle->installEventFilter(this);
    m_link->installEventFilter(this);
    connect(m_closeButton, &QPushButton::clicked, this, &UpdateNotice::closeNotice);

    // The whole primary display, not its work area: a panel there may be covered.
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (primary && !WindowPlacement::byCompositor()) {
        const QRect display = primary->geometry();
        move(display.right() + 1 - Width - Margin, display.top() + Margin);
    }

    m_startTimer = new QTimer(this);
    m_startTimer->setObjectName(QStringLiteral("TimerStart"));
    m_startTimer->setInterval(1);
    connect(m_startTimer, &QTimer::timeout, this, &UpdateNotice::onStartTick);
    m_closeTimer = new QTimer(this);
    m_closeTimer->setObjectName(QStringLiteral("TimerClose"));
    m_closeTimer->setInterval(1000);
    connect(m_closeTimer, &QTimer::timeout, this, &UpdateNotice::onCloseTick);
    m_hoverTimer = new QTimer(this);
    m_hoverTimer->setObjectName(QStringLiteral("TimerLink"));
    m_hoverTimer->setInterval(100);
    connect(m_hoverTimer, &QTimer::timeout, this, &UpdateNotice::onHoverTick);
    for (QTimer *timer : {m_startTimer, m_closeTimer, m_hoverTimer})
        timer->start();
}

QString UpdateNotice::title() const
{
    return m_title->text();
}

QString UpdateNotice::linkText() const
{
    return m_link->text();
}

void UpdateNotice::animate(bool grow)
{
    if (WindowPlacement::byCompositor()) {
        if (!grow)
            close();
        return;
    }
    // Grows out of its centre when it appears, shrinks into it when it goes.
    const QRect full(pos(), QSize(Width, Height));
    const QRect centre(full.center(), QSize(1, 1));
    auto *animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(AnimationMs);
    animation->setStartValue(grow ? centre : full);
    animation->setEndValue(grow ? full : centre);
    if (!grow)
        connect(animation, &QPropertyAnimation::finished, this, [this, full] {
            close();
            setGeometry(full);
        });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void UpdateNotice::onStartTick()
{
    m_startTimer->stop(); // once
    setMinimumSize(1, 1);
    show();
    animate(true);
    if (m_mainWindow && m_mainWindow->isVisible())
        m_mainWindow->activateWindow(); // the focus stays with the main window
}

void UpdateNotice::onCloseTick()
{
    if (--m_closeCountdown > 0)
        return;
    m_closeTimer->stop();
    if (isVisible())
        animate(false);
    else
        close();
}

void UpdateNotice::onHoverTick()
{
    const bool hovered = m_link->rect().contains(m_link->mapFromGlobal(QCursor::pos()));
    QPalette palette = m_link->palette();
    palette.setColor(
        QPalette::WindowText,
        QApplication::palette().color(hovered ? QPalette::Highlight : QPalette::WindowText));
    m_link->setPalette(palette);
}

void UpdateNotice::openDownloadPage()
{
    m_desktop.openUrl(DownloadAddress::toOpen(m_announcement.downloadUrl, m_announcement.homePage));
    close();
}

void UpdateNotice::closeNotice()
{
    close();
}

bool UpdateNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_link) {
        // Pressing the link never drags the window; it opens on a click of its own.
        const LinkGesture::Outcome outcome = m_linkGesture.filter(m_link, event);
        if (outcome == LinkGesture::Outcome::Clicked)
            openDownloadPage();
        return outcome != LinkGesture::Outcome::NotTaken;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_drag.press(*static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseMove:
        m_drag.follow(*static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        m_drag.release();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
