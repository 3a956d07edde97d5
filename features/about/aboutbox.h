#pragma once

#include "base/appidentity.h"
#include "base/apppaths.h"
#include "base/linkgesture.h"
#include "base/windowdrag.h"
#include "features/about/matrixrain.h"

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
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    AboutBox(const LanguageCatalogue &language, const AppIdentity &identity, Desktop &desktop,
             const AppPaths &paths, QWidget *parent = nullptr);
    ~AboutBox() override;

    // A second "Info" click within this many milliseconds after its menu closed is the
    // click that closed it, and opens nothing.
    static constexpr quint32 DropDownGuardMs = 100;

    // Shows a menu at a screen point and returns when it has closed; replaceable so that
    // tests need not run a real pop-up.
    using MenuRunner = std::function<void(QMenu *menu, const QPoint &screenPos)>;
    void setMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // A millisecond tick count that may wrap; replaceable for tests.
    void setTickSource(std::function<quint32()> ticks) { m_ticks = std::move(ticks); }

    // Dragging the box by its body; under Wayland the compositor moves it.
    WindowDrag &drag() { return m_drag; }
    const MatrixRain &rain() const { return m_rain; }
    MatrixRain &rain() { return m_rain; }
    // What the rain has drawn so far, the size of the client area.
    const QImage &rainImage() const { return m_rainImage; }
    // Where the box looks for the end-user agreement.
    QString licenseFile() const;

public slots:
    void closeBox();
    void showInfoMenu();
    void openCredits();
    void openUninstallHelp();
    void openHomePage();
    void openLicense();
    void slideInfoAway();
    void bringInfoBack();
    void onSlideTick();
    void onRainTick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void fillIn();
    void startMatrix();
    void setupMatrix();
    void drawDrops(const std::vector<DropChar> &drops);
    void renderPictures();
    void showDropDownMenu(QPushButton *button, QMenu *menu);
    void openAddress(const QString &path, const QString &scheme);
    QString translated(const QString &text) const;

    const LanguageCatalogue &m_language;
    const AppIdentity m_identity;
    Desktop &m_desktop;
    const AppPaths m_paths;

    MatrixRain m_rain;
    QImage m_rainImage;
    int m_rainWidth = 0;
    int m_rainHeight = 0;

    WindowDrag m_drag{this};
    LinkGesture m_linkGesture;

    MenuRunner m_menuRunner;
    std::function<quint32()> m_ticks;
    QPushButton *m_lastMenuButton = nullptr;
    QMenu *m_lastMenu = nullptr;
    quint32 m_lastMenuClosed = 0;
    bool m_screenWatched = false;

    QFrame *m_hiddenPanel = nullptr;
    QLabel *m_hiddenPicture = nullptr;
    QFrame *m_infoPanel = nullptr;
    QLabel *m_logo = nullptr;
    QFrame *m_iconFrame = nullptr;
    QLabel *m_icon = nullptr;
    QLabel *m_nameAndVersion = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_infoButton = nullptr;
    QLabel *m_homeLink = nullptr;
    QMenu *m_infoMenu = nullptr;
    QAction *m_creditsItem = nullptr;
    QAction *m_uninstallItem = nullptr;
    QAction *m_licenseItem = nullptr;
    QTimer *m_rainTimer = nullptr;
    QTimer *m_slideTimer = nullptr;
};
