#include "dialogs/about.h"

#include "app/desktop.h"
#include "app/tahomafont.h"
#include "localisation/languagecatalogue.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
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
#include <QSvgRenderer>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

constexpr int ClientWidth = 446;
constexpr int ClientHeight = 374;

// An SVG drawn at the given logical size on a pixmap of the widget's pixel density.
QPixmap renderPicture(const QString &file, const QSize &size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(file);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

quint32 steadyTicks()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return static_cast<quint32>(clock.elapsed());
}

} // namespace

TAboutBox::TAboutBox(const LanguageCatalogue &language, const AppIdentity &identity,
                     Desktop &desktop, const AppPaths &paths, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_language(language), m_identity(identity), m_desktop(desktop), m_paths(paths),
      m_menuRunner([](QMenu *menu, const QPoint &at) { menu->exec(at); }), m_ticks(&steadyTicks)
{
    setObjectName(QStringLiteral("AboutBox"));
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    createControls();
    FormCreate();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::createControls()
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

    PanelEgg = new QFrame(this);
    PanelEgg->setObjectName(QStringLiteral("PanelEgg"));
    PanelEgg->setGeometry(0, 0, 324, 220);
    PanelEgg->hide();
    ImageEgg = new QLabel(PanelEgg);
    ImageEgg->setObjectName(QStringLiteral("ImageEgg"));
    ImageEgg->setGeometry(2, 0, 320, 220);
    ImageEgg->setScaledContents(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(48, 42, 350, 291);
    Panel1->setFont(tahomaFont(11));
    Panel1->raise();

    Image2 = new QLabel(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(3, 2, 344, 105);
    Image2->setScaledContents(true);

    Bevel1 = new QFrame(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(9, 122, 34, 34);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(10, 123, 32, 32);
    Image1->setAlignment(Qt::AlignCenter);

    Label2 = new QLabel(Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(49, 122, 290, 40);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setFont(tahomaFont(16));

    BitBtn1 = new QPushButton(Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(49, 224, 122, 33);
    BitBtn1->setFont(tahomaFont(16));
    BitBtn1->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TAboutBox::BitBtn1Click);

    BitBtn2 = new QPushButton(Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(177, 224, 122, 33);
    BitBtn2->setFont(tahomaFont(16));
    BitBtn2->setAutoDefault(false);
    // The triangle sits to the right of the caption.
    BitBtn2->setLayoutDirection(Qt::RightToLeft);
    BitBtn2->setIconSize(QSize(9, 6));
    connect(BitBtn2, &QPushButton::clicked, this, &TAboutBox::BitBtn2Click);

    const QString host = QStringLiteral(MURMLET_WEB_HOST);
    Label5 = new QLabel(host, Panel1);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(1, 268, 348, 16);
    Label5->setAlignment(Qt::AlignCenter);
    QFont linkFont(QStringLiteral("MS Sans Serif"));
    linkFont.setPixelSize(11);
    linkFont.setUnderline(true);
    Label5->setFont(linkFont);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setToolTip(QStringLiteral("http://") + host + QStringLiteral("/"));
    Label5->installEventFilter(this);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Credits1 = PopupMenu1->addAction(QString(), this, &TAboutBox::Credits1Click);
    Credits1->setObjectName(QStringLiteral("Credits1"));
    Howtouninstall1 = PopupMenu1->addAction(QString(), this, &TAboutBox::Howtouninstall1Click);
    Howtouninstall1->setObjectName(QStringLiteral("Howtouninstall1"));
    LicensePrivacyPolicy1 =
        PopupMenu1->addAction(QString(), this, &TAboutBox::LicensePrivacyPolicy1Click);
    LicensePrivacyPolicy1->setObjectName(QStringLiteral("LicensePrivacyPolicy1"));

    tmTimer = new QTimer(this);
    tmTimer->setObjectName(QStringLiteral("tmTimer"));
    connect(tmTimer, &QTimer::timeout, this, &TAboutBox::tmTimerTimer);
    TimerEgg = new QTimer(this);
    TimerEgg->setObjectName(QStringLiteral("TimerEgg"));
    TimerEgg->setInterval(5);
    connect(TimerEgg, &QTimer::timeout, this, &TAboutBox::TimerEggTimer);

    // Dragging works on the window and its pictures and labels, not on the buttons or
    // the link; the double clicks come through the same filter.
    for (QWidget *handle : {static_cast<QWidget *>(Panel1), static_cast<QWidget *>(Image1),
                            static_cast<QWidget *>(Image2), static_cast<QWidget *>(Label2),
                            static_cast<QWidget *>(ImageEgg)})
        handle->installEventFilter(this);
    installEventFilter(this);

    setTabOrder(BitBtn1, BitBtn2);
    BitBtn1->setFocus();
}

void TAboutBox::FormCreate()
{
    m_rain.setMatrixChars(QStringLiteral("tam"));
    StartMatrix();
    QString caption = translated(QStringLiteral("About %s"));
    const qsizetype slot = caption.indexOf(QStringLiteral("%s"));
    if (slot >= 0)
        caption.replace(slot, 2, m_identity.productName);
    setWindowTitle(caption);

    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/murmlet.svg"));
    Image1->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));

    Label2->setText(m_identity.productName + QStringLiteral(" ") + m_identity.version);
    BitBtn1->setText(translated(QStringLiteral("OK")));
    BitBtn2->setText(translated(QStringLiteral("Info")));
    Credits1->setText(translated(QStringLiteral("Acknowledgements...")));
    Howtouninstall1->setText(translated(QStringLiteral("How to uninstall...")));
    LicensePrivacyPolicy1->setText(translated(QStringLiteral("License...")));
    HighDPIImageYukle();
    PanelEgg->move((width() - PanelEgg->width()) / 2, (height() - PanelEgg->height()) / 2);
}

void TAboutBox::HighDPIImageYukle()
{
    const qreal ratio = devicePixelRatioF();
    Image2->setPixmap(renderPicture(QStringLiteral(":/about/logo.svg"), QSize(344, 105), ratio));
    ImageEgg->setPixmap(renderPicture(QStringLiteral(":/about/cat.svg"), QSize(320, 214), ratio));
    BitBtn2->setIcon(QIcon(renderPicture(QStringLiteral(":/about/arrow.svg"), QSize(9, 6), ratio)));
}

void TAboutBox::StartMatrix()
{
    // The grid follows the window's outer size as it is now, also on later resizes.
    bitmapWidth = frameGeometry().width();
    bitmapHeight = frameGeometry().height();
    m_rain.StartMatrix(bitmapWidth, bitmapHeight);
    m_rainImage = QImage(size(), QImage::Format_RGB32);
    m_rainImage.fill(Qt::black);
    tmTimer->start(50);
}

void TAboutBox::SetupMatrix()
{
    if (m_rainImage.size() != size())
        m_rainImage = QImage(size(), QImage::Format_RGB32);
    m_rainImage.fill(Qt::black);
    m_rain.SetupMatrix(bitmapWidth, bitmapHeight);
    update();
}

void TAboutBox::tmTimerTimer()
{
    drawDrops(m_rain.StepMatrix());
    update();
}

void TAboutBox::drawDrops(const std::vector<DropChar> &drops)
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

void TAboutBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_rainImage);
}

void TAboutBox::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    SetupMatrix();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Pictures follow the monitor's scale when the window moves to another screen.
    if (!m_screenWatched && windowHandle()) {
        m_screenWatched = true;
        connect(windowHandle(), &QWindow::screenChanged, this,
                [this](QScreen *) { HighDPIImageYukle(); });
    }
}

void TAboutBox::BitBtn1Click()
{
    close();
}

void TAboutBox::BitBtn2Click()
{
    ShowDropDownMenu(BitBtn2, PopupMenu1);
}

void TAboutBox::ShowDropDownMenu(QPushButton *button, QMenu *menu)
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

void TAboutBox::openAddress(const QString &path, const QString &scheme)
{
    m_desktop.openUrl(scheme + QStringLiteral(MURMLET_WEB_HOST) + path);
}

void TAboutBox::Credits1Click()
{
    openAddress(QStringLiteral("/blog/credits-and-acknowledgements/"), QStringLiteral("https://"));
}

void TAboutBox::Howtouninstall1Click()
{
    openAddress(QStringLiteral("/blog/how-to-uninstall-tambrix-software/"),
                QStringLiteral("http://"));
}

void TAboutBox::Label5Click()
{
    openAddress(QStringLiteral("/"), QStringLiteral("http://"));
}

QString TAboutBox::licenseFile() const
{
    return QDir(m_paths.programFolder).filePath(QStringLiteral("license.txt"));
}

void TAboutBox::LicensePrivacyPolicy1Click()
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

void TAboutBox::Image1DblClick()
{
    if (TimerEgg->isActive())
        return;
    PanelEgg->show();
    PanelEgg->lower();
    TimerEgg->start();
}

void TAboutBox::TimerEggTimer()
{
    Panel1->move(Panel1->x() + 5, Panel1->y());
    if (Panel1->x() > width())
        TimerEgg->stop();
}

void TAboutBox::ImageEggDblClick()
{
    if (TimerEgg->isActive())
        return;
    PanelEgg->hide();
    Panel1->move((width() - Panel1->width()) / 2, Panel1->y());
}

bool TAboutBox::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == Label5) {
        if (type == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
            Label5->rect().contains(static_cast<QMouseEvent *>(event)->position().toPoint()))
            Label5Click();
        return false;
    }
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                       type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
    if (!mouse)
        return QDialog::eventFilter(watched, event);
    auto *mouseEvent = static_cast<QMouseEvent *>(event);
    if (type == QEvent::MouseButtonDblClick) {
        if (watched == Image1)
            Image1DblClick();
        else if (watched == ImageEgg)
            ImageEggDblClick();
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        if (mouseEvent->button() != Qt::RightButton) {
            m_dragFrom = mouseEvent->globalPosition().toPoint();
            dragging = true;
        }
    } else if (type == QEvent::MouseMove) {
        if (dragging) {
            const QPoint p = mouseEvent->globalPosition().toPoint();
            move(pos() + (p - m_dragFrom));
            m_dragFrom = p;
        }
    } else {
        dragging = false;
    }
    // Taken here, so that a parent does not see the same event again and move twice.
    return true;
}

QString TAboutBox::translated(const QString &text) const
{
    return m_language.Translate(text);
}
