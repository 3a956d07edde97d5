#pragma once

#include "app/appidentity.h"
#include "app/apppaths.h"
#include "dialogs/matrixrain.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <functional>

class Desktop;
class LanguageCatalogue;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

// The About box: the program's icon, name and version and the maker's logo and link on
// a black tool window in which green characters rain. "Info" drops down the maker's
// pages and the program's license.txt; double-clicking the icon slides the information
// panel away to uncover a hidden picture. The rain's arithmetic lives in MatrixRain;
// the window only paints what a step returns into a backing image.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    TAboutBox(const LanguageCatalogue &language, const AppIdentity &identity, Desktop &desktop,
              const AppPaths &paths, QWidget *parent = nullptr);
    ~TAboutBox() override;

    // A second "Info" click within this many milliseconds after its menu closed is the
    // click that closed it, and opens nothing.
    static constexpr quint32 DropDownGuardMs = 100;

    // Shows a menu at a screen point and returns when it has closed; replaceable so that
    // tests need not run a real pop-up.
    using MenuRunner = std::function<void(QMenu *menu, const QPoint &screenPos)>;
    void setMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // A millisecond tick count that may wrap; replaceable for tests.
    void setTickSource(std::function<quint32()> ticks) { m_ticks = std::move(ticks); }

    const MatrixRain &rain() const { return m_rain; }
    MatrixRain &rain() { return m_rain; }
    // What the rain has drawn so far, the size of the client area.
    const QImage &rainImage() const { return m_rainImage; }
    // Where the box looks for the end-user agreement.
    QString licenseFile() const;

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void Credits1Click();
    void Howtouninstall1Click();
    void Label5Click();
    void LicensePrivacyPolicy1Click();
    void Image1DblClick();
    void ImageEggDblClick();
    void TimerEggTimer();
    void tmTimerTimer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void FormCreate();
    void StartMatrix();
    void SetupMatrix();
    void drawDrops(const std::vector<DropChar> &drops);
    void HighDPIImageYukle();
    void ShowDropDownMenu(QPushButton *button, QMenu *menu);
    void openAddress(const QString &path, const QString &scheme);
    QString translated(const QString &text) const;

    const LanguageCatalogue &m_language;
    const AppIdentity m_identity;
    Desktop &m_desktop;
    const AppPaths m_paths;

    MatrixRain m_rain;
    QImage m_rainImage;
    int bitmapWidth = 0;
    int bitmapHeight = 0;

    bool dragging = false;
    QPoint m_dragFrom; // screen position of the mouse at the last drag step

    MenuRunner m_menuRunner;
    std::function<quint32()> m_ticks;
    QPushButton *m_lastMenuButton = nullptr;
    QMenu *m_lastMenu = nullptr;
    quint32 m_lastMenuClosed = 0;
    bool m_screenWatched = false;

    QFrame *PanelEgg = nullptr;
    QLabel *ImageEgg = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Image2 = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *BitBtn1 = nullptr;
    QPushButton *BitBtn2 = nullptr;
    QLabel *Label5 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Credits1 = nullptr;
    QAction *Howtouninstall1 = nullptr;
    QAction *LicensePrivacyPolicy1 = nullptr;
    QTimer *tmTimer = nullptr;
    QTimer *TimerEgg = nullptr;
};
