#include "features/about/aboutbox.h"

#include "base/desktop.h"
#include "base/monotonicclock.h"
#include "base/pictures.h"
#include "base/tahomafont.h"
#include "localisation/languagecatalogue.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

constexpr int ClientWidth = 446;
constexpr int ClientHeight = 374;

quint32 steadyTicks()
{
    return static_cast<quint32>(MonotonicClock::nowMs());
}

} // namespace

AboutBox::AboutBox(const LanguageCatalogue &language, const AppIdentity &identity, Desktop &desktop,
                   const AppPaths &paths, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_language(language), m_identity(identity), m_desktop(desktop), m_paths(paths),
      m_menuRunner([](QMenu *menu, const QPoint &at) { menu->exec(at); }), m_ticks(&steadyTicks)
{
    setObjectName(QStringLiteral("AboutBox"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    createControls();
    fillIn();
}

AboutBox::~AboutBox() = default;

void AboutBox::createControls()
{
    // The program's theme paints dialogs and buttons light; this box stays black with
    // white writing.
    setStyleSheet(
        QStringLiteral("QFrame#Panel1 { background: black; border: 1px outset #606060; }"
                       "QFrame#PanelEgg { background: black; border: none; }"
                       "QFrame#Bevel1 { background: transparent; border: 1px inset #606060; }"
                       "QLabel { color: white; background: transparent; }"
                       "QLabel#Label5 { color: lime; text-decoration: underline; }"
                       "QPushButton { color: white; background: #2a2a2a; border: 1px solid #707070;"
                       " border-radius: 3px; padding: 0 8px; }"
                       "QPushButton:hover { background: #383838; }"
                       "QPushButton:pressed { background: #1a1a1a; }"
                       "QPushButton:focus { border-color: #40c040; }"));

    m_hiddenPanel = new QFrame(this);
    m_hiddenPanel->setObjectName(QStringLiteral("PanelEgg"));
    m_hiddenPanel->setGeometry(0, 0, 324, 220);
    m_hiddenPanel->hide();
    m_hiddenPicture = new QLabel(m_hiddenPanel);
    m_hiddenPicture->setObjectName(QStringLiteral("ImageEgg"));
    m_hiddenPicture->setGeometry(2, 0, 320, 220);
    m_hiddenPicture->setScaledContents(true);

    m_infoPanel = new QFrame(this);
    m_infoPanel->setObjectName(QStringLiteral("Panel1"));
    m_infoPanel->setGeometry(48, 42, 350, 291);
    m_infoPanel->setFont(tahomaFont(11));
    m_infoPanel->raise();

    m_logo = new QLabel(m_infoPanel);
    m_logo->setObjectName(QStringLiteral("Image2"));
    m_logo->setGeometry(3, 2, 344, 105);
    m_logo->setScaledContents(true);

    m_iconFrame = new QFrame(m_infoPanel);
    m_iconFrame->setObjectName(QStringLiteral("Bevel1"));
    m_iconFrame->setGeometry(9, 122, 34, 34);

    m_icon = new QLabel(m_infoPanel);
    m_icon->setObjectName(QStringLiteral("Image1"));
    m_icon->setGeometry(10, 123, 32, 32);
    m_icon->setAlignment(Qt::AlignCenter);

    m_nameAndVersion = new QLabel(m_infoPanel);
    m_nameAndVersion->setObjectName(QStringLiteral("Label2"));
    m_nameAndVersion->setGeometry(49, 122, 290, 40);
    m_nameAndVersion->setWordWrap(true);
    m_nameAndVersion->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_nameAndVersion->setFont(tahomaFont(16));

    m_okButton = new QPushButton(m_infoPanel);
    m_okButton->setObjectName(QStringLiteral("BitBtn1"));
    m_okButton->setGeometry(49, 224, 122, 33);
    m_okButton->setFont(tahomaFont(16));
    m_okButton->setAutoDefault(false);
    connect(m_okButton, &QPushButton::clicked, this, &AboutBox::closeBox);

    m_infoButton = new QPushButton(m_infoPanel);
    m_infoButton->setObjectName(QStringLiteral("BitBtn2"));
    m_infoButton->setGeometry(177, 224, 122, 33);
    m_infoButton->setFont(tahomaFont(16));
    m_infoButton->setAutoDefault(false);
    // The triangle sits to the right of the caption.
    m_infoButton->setLayoutDirection(Qt::RightToLeft);
    m_infoButton->setIconSize(QSize(9, 6));
    connect(m_infoButton, &QPushButton::clicked, this, &AboutBox::showInfoMenu);

    const QString host = QStringLiteral(MURMLET_WEB_HOST);
    m_homeLink = new QLabel(host, m_infoPanel);
    m_homeLink->setObjectName(QStringLiteral("Label5"));
    m_homeLink->setGeometry(1, 268, 348, 16);
    m_homeLink->setAlignment(Qt::AlignCenter);
    QFont linkFont(QStringLiteral("MS Sans Serif"));
    linkFont.setPixelSize(11);
    linkFont.setUnderline(true);
    m_homeLink->setFont(linkFont);
    m_homeLink->setCursor(Qt::PointingHandCursor);
    m_homeLink->setToolTip(QStringLiteral("http://") + host + QStringLiteral("/"));
    m_homeLink->installEventFilter(this);

    m_infoMenu = new QMenu(this);
    m_infoMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_creditsItem = m_infoMenu->addAction(QString(), this, &AboutBox::openCredits);
    m_creditsItem->setObjectName(QStringLiteral("Credits1"));
    m_uninstallItem = m_infoMenu->addAction(QString(), this, &AboutBox::openUninstallHelp);
    m_uninstallItem->setObjectName(QStringLiteral("Howtouninstall1"));
    m_licenseItem = m_infoMenu->addAction(QString(), this, &AboutBox::openLicense);
    m_licenseItem->setObjectName(QStringLiteral("LicensePrivacyPolicy1"));

    m_rainTimer = new QTimer(this);
    m_rainTimer->setObjectName(QStringLiteral("tmTimer"));
    connect(m_rainTimer, &QTimer::timeout, this, &AboutBox::onRainTick);
    m_slideTimer = new QTimer(this);
    m_slideTimer->setObjectName(QStringLiteral("TimerEgg"));
    m_slideTimer->setInterval(5);
    connect(m_slideTimer, &QTimer::timeout, this, &AboutBox::onSlideTick);

    // Dragging works on the window and its pictures and labels, not on the buttons or
    // the link; the double clicks come through the same filter.
    for (QWidget *handle :
         {static_cast<QWidget *>(m_infoPanel), static_cast<QWidget *>(m_icon),
          static_cast<QWidget *>(m_logo), static_cast<QWidget *>(m_nameAndVersion),
          static_cast<QWidget *>(m_hiddenPicture)})
        handle->installEventFilter(this);
    installEventFilter(this);

    setTabOrder(m_okButton, m_infoButton);
    m_okButton->setFocus();
}

void AboutBox::fillIn()
{
    m_rain.setMatrixChars(QStringLiteral("tam"));
    startMatrix();
    QString caption = translated(QStringLiteral("About %s"));
    const qsizetype slot = caption.indexOf(QStringLiteral("%s"));
    if (slot >= 0)
        caption.replace(slot, 2, m_identity.productName);
    setWindowTitle(caption);

    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = Pictures::icon(QStringLiteral(":/icons/murmlet"));
    m_icon->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));

    m_nameAndVersion->setText(m_identity.productName + QStringLiteral(" ") + m_identity.version);
    m_okButton->setText(translated(QStringLiteral("OK")));
    m_infoButton->setText(translated(QStringLiteral("Info")));
    m_creditsItem->setText(translated(QStringLiteral("Acknowledgements...")));
    m_uninstallItem->setText(translated(QStringLiteral("How to uninstall...")));
    m_licenseItem->setText(translated(QStringLiteral("License...")));
    renderPictures();
    m_hiddenPanel->move((width() - m_hiddenPanel->width()) / 2,
                        (height() - m_hiddenPanel->height()) / 2);
}

void AboutBox::renderPictures()
{
    const qreal ratio = devicePixelRatioF();
    m_logo->setPixmap(Pictures::render(QStringLiteral(":/about/logo"), QSize(344, 105), ratio));
    m_hiddenPicture->setPixmap(
        Pictures::render(QStringLiteral(":/about/cat"), QSize(320, 214), ratio));
    m_infoButton->setIcon(
        QIcon(Pictures::render(QStringLiteral(":/about/arrow"), QSize(9, 6), ratio)));
}

void AboutBox::startMatrix()
{
    // The grid follows the window's outer size as it is now, also on later resizes.
    m_rainWidth = frameGeometry().width();
    m_rainHeight = frameGeometry().height();
    m_rain.startMatrix(m_rainWidth, m_rainHeight);
    m_rainImage = QImage(size(), QImage::Format_RGB32);
    m_rainImage.fill(Qt::black);
    m_rainTimer->start(50);
}

void AboutBox::setupMatrix()
{
    if (m_rainImage.size() != size())
        m_rainImage = QImage(size(), QImage::Format_RGB32);
    m_rainImage.fill(Qt::black);
    m_rain.setupMatrix(m_rainWidth, m_rainHeight);
    update();
}

void AboutBox::onRainTick()
{
    drawDrops(m_rain.stepMatrix());
    update();
}

void AboutBox::drawDrops(const std::vector<DropChar> &drops)
{
    constexpr int w = MatrixRain::CharWidth;
    constexpr int h = MatrixRain::CharHeight;
    QPainter painter(&m_rainImage);
    QFont font = painter.font();
    font.setPixelSize(h);
    painter.setFont(font);
    // Each character covers its own cell in black first, so it overwrites what lay there.
    auto put = [&](int column, int row, QChar c, const RainColour &colour) {
        const QRect cell(column * w, row * h, w, h);
        painter.fillRect(cell, Qt::black);
        painter.setPen(QColor(colour.red, colour.green, colour.blue));
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString(c));
    };
    for (const DropChar &drop : drops) {
        painter.fillRect(QRect(drop.column * w, drop.eraserRow * h, w, h), Qt::black);
        if (drop.hasTrail)
            put(drop.column, drop.trailRow, drop.character, drop.trailColour);
        put(drop.column, drop.headRow, drop.character, drop.headColour);
    }
}

void AboutBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_rainImage);
}

void AboutBox::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    setupMatrix();
}

void AboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Pictures follow the monitor's scale when the window moves to another screen.
    if (!m_screenWatched && windowHandle()) {
        m_screenWatched = true;
        connect(windowHandle(), &QWindow::screenChanged, this,
                [this](QScreen *) { renderPictures(); });
    }
}

void AboutBox::closeBox()
{
    close();
}

void AboutBox::showInfoMenu()
{
    showDropDownMenu(m_infoButton, m_infoMenu);
}

void AboutBox::showDropDownMenu(QPushButton *button, QMenu *menu)
{
    // The click that closed the menu by landing on its button must not reopen it.
    if (button == m_lastMenuButton && menu == m_lastMenu &&
        static_cast<quint32>(m_ticks() - m_lastMenuClosed) < DropDownGuardMs) {
        m_lastMenuButton = nullptr;
        m_lastMenu = nullptr;
        return;
    }
    m_menuRunner(menu, button->mapToGlobal(QPoint(0, button->height())));
    m_lastMenuClosed = m_ticks();
    m_lastMenuButton = button;
    m_lastMenu = menu;
}

void AboutBox::openAddress(const QString &path, const QString &scheme)
{
    m_desktop.openUrl(scheme + QStringLiteral(MURMLET_WEB_HOST) + path);
}

void AboutBox::openCredits()
{
    openAddress(QStringLiteral("/blog/credits-and-acknowledgements/"), QStringLiteral("https://"));
}

void AboutBox::openUninstallHelp()
{
    openAddress(QStringLiteral("/blog/how-to-uninstall-tambrix-software/"),
                QStringLiteral("http://"));
}

void AboutBox::openHomePage()
{
    openAddress(QStringLiteral("/"), QStringLiteral("http://"));
}

QString AboutBox::licenseFile() const
{
    return QDir(m_paths.programFolder).filePath(QStringLiteral("license.txt"));
}

void AboutBox::openLicense()
{
    const QString file = licenseFile();
    // exists() follows links: a dangling link counts as missing.
    if (QFileInfo::exists(file)) {
        // A file URL keeps blanks and other special characters in the path intact.
        m_desktop.openUrl(QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded));
        return;
    }
    QMessageBox::critical(this, translated(QStringLiteral("License")),
                          translated(QStringLiteral("File not found!")));
}

void AboutBox::slideInfoAway()
{
    if (m_slideTimer->isActive())
        return;
    m_hiddenPanel->show();
    m_hiddenPanel->lower();
    m_slideTimer->start();
}

void AboutBox::onSlideTick()
{
    m_infoPanel->move(m_infoPanel->x() + 5, m_infoPanel->y());
    if (m_infoPanel->x() > width())
        m_slideTimer->stop();
}

void AboutBox::bringInfoBack()
{
    if (m_slideTimer->isActive())
        return;
    m_hiddenPanel->hide();
    m_infoPanel->move((width() - m_infoPanel->width()) / 2, m_infoPanel->y());
}

bool AboutBox::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_homeLink) {
        // Pressing the link never drags the window; it opens on a click of its own.
        const LinkGesture::Outcome outcome = m_linkGesture.filter(m_homeLink, event);
        if (outcome == LinkGesture::Outcome::Clicked)
            openHomePage();
        return outcome != LinkGesture::Outcome::NotTaken;
    }
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                       type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
    if (!mouse)
        return QDialog::eventFilter(watched, event);
    auto *mouseEvent = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseButtonDblClick) {
        if (watched == m_icon)
            slideInfoAway();
        else if (watched == m_hiddenPicture)
            bringInfoBack();
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        m_drag.press(*mouseEvent);
    else if (type == QEvent::MouseMove)
        m_drag.follow(*mouseEvent);
    else
        m_drag.release();
    // Taken here, so that a parent does not see the same event again and move twice.
    return true;
}

QString AboutBox::translated(const QString &text) const
{
    return m_language.translate(text);
}
