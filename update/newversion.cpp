#include "update/newversion.h"

#include "app/desktop.h"
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

TNewVer::TNewVer(Desktop &desktop, const LanguageCatalogue &language,
                 const Announcement &announcement, QWidget *mainWindow)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_desktop(desktop), m_announcement(announcement), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("NewVer"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(Width, Height);
    setCursor(Qt::ArrowCursor);

    auto *panel1 = new QFrame(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1->setAutoFillBackground(true);
    panel1->setBackgroundRole(QPalette::Button);
    auto *row = new QHBoxLayout(panel1);
    row->setContentsMargins(4, 4, 1, 1);
    row->setSpacing(0);

    auto *image1 = new QLabel(panel1);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setFixedSize(60, 60);
    image1->setAlignment(Qt::AlignCenter);
    image1->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    row->addWidget(image1, 0, Qt::AlignTop);

    auto *panel2 = new QWidget(panel1);
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto *column = new QVBoxLayout(panel2);
    column->setContentsMargins(3, 3, 3, 0);
    column->setSpacing(0);
    Label1 = new QLabel(language.Translate(QStringLiteral("UPDATE AVAILABLE")), panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(noticeFont(13, true, false));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFixedHeight(16);
    column->addWidget(Label1);
    Label2 =
        new QLabel(language.Translate(QStringLiteral("Click to download")) + QLatin1Char(' ') +
                       announcement.productName + QLatin1Char(' ') + announcement.latestVersion,
                   panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(noticeFont(13, false, true));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);
    Label2->setCursor(Qt::PointingHandCursor);
    column->addWidget(Label2, 1);
    row->addWidget(panel2, 1);

    auto *panel3 = new QWidget(panel1);
    panel3->setObjectName(QStringLiteral("Panel3"));
    panel3->setFixedWidth(22);
    auto *closeColumn = new QVBoxLayout(panel3);
    closeColumn->setContentsMargins(0, 0, 0, 0);
    Button1 = new QPushButton(panel3);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(22, 22);
    Button1->setIcon(QIcon::fromTheme(QStringLiteral("window-close"),
                                      style()->standardIcon(QStyle::SP_TitleBarCloseButton)));
    Button1->setCursor(Qt::PointingHandCursor);
    closeColumn->addWidget(Button1);
    closeColumn->addStretch(1);
    row->addWidget(panel3);

    auto *whole = new QVBoxLayout(this);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(panel1);

    // Drag by the body, the icon, the title and the strip under the close button.
    for (QWidget *handle : {static_cast<QWidget *>(panel1), static_cast<QWidget *>(image1),
                            static_cast<QWidget *>(Label1), panel3})
        handle->installEventFilter(this);
    Label2->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &TNewVer::Button1Click);

    // The whole primary display, not its work area: a panel there may be covered.
    if (const QScreen *primary = QGuiApplication::primaryScreen()) {
        const QRect display = primary->geometry();
        move(display.right() + 1 - Width - Margin, display.top() + Margin);
    }

    TimerStart = new QTimer(this);
    TimerStart->setObjectName(QStringLiteral("TimerStart"));
    TimerStart->setInterval(1);
    connect(TimerStart, &QTimer::timeout, this, &TNewVer::TimerStartTimer);
    TimerClose = new QTimer(this);
    TimerClose->setObjectName(QStringLiteral("TimerClose"));
    TimerClose->setInterval(1000);
    connect(TimerClose, &QTimer::timeout, this, &TNewVer::TimerCloseTimer);
    TimerLink = new QTimer(this);
    TimerLink->setObjectName(QStringLiteral("TimerLink"));
    TimerLink->setInterval(100);
    connect(TimerLink, &QTimer::timeout, this, &TNewVer::TimerLinkTimer);
    for (QTimer *timer : {TimerStart, TimerClose, TimerLink})
        timer->start();
}

QString TNewVer::title() const
{
    return Label1->text();
}

QString TNewVer::linkText() const
{
    return Label2->text();
}

void TNewVer::animate(bool grow)
{
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

void TNewVer::TimerStartTimer()
{
    TimerStart->stop(); // once
    setMinimumSize(1, 1);
    show();
    animate(true);
    if (m_mainWindow && m_mainWindow->isVisible())
        m_mainWindow->activateWindow(); // the focus stays with the main window
}

void TNewVer::TimerCloseTimer()
{
    if (--m_closeCountdown > 0)
        return;
    TimerClose->stop();
    if (isVisible())
        animate(false);
    else
        close();
}

void TNewVer::TimerLinkTimer()
{
    const bool hovered = Label2->rect().contains(Label2->mapFromGlobal(QCursor::pos()));
    QPalette palette = Label2->palette();
    palette.setColor(
        QPalette::WindowText,
        QApplication::palette().color(hovered ? QPalette::Highlight : QPalette::WindowText));
    Label2->setPalette(palette);
}

void TNewVer::Label2Click()
{
    m_desktop.openUrl(DownloadAddress::toOpen(m_announcement.downloadUrl, m_announcement.homePage));
    close();
}

void TNewVer::Button1Click()
{
    close();
}

bool TNewVer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2) {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            Label2Click();
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton) {
            m_lastCursor = mouse->globalPosition().toPoint();
            m_dragging = true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_dragging) {
            const QPoint now = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
            move(pos() + now - m_lastCursor);
            m_lastCursor = now;
        }
        break;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
