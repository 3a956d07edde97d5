#pragma once

#include "base/linkgesture.h"
#include "base/windowdrag.h"

#include <QWidget>

class Desktop;
class LanguageCatalogue;
class QLabel;
class QPushButton;
class QTimer;

// The update notice: a small borderless stay-on-top window in the top right-hand corner
// of the primary screen that announces a new version, opens its download page when the
// link is clicked and closes itself after eleven seconds. Under Wayland, where only the
// compositor places windows, it appears where the compositor puts it, at once and at its
// full size (growing out of its centre needs a place of its own), and a drag asks the
// compositor to move it.
class UpdateNotice : public QWidget
{
    Q_OBJECT
public:
    struct Announcement
    {
        QString productName;
        QString latestVersion;
        QString downloadUrl;
        QString homePage; // opened instead of a missing or unsafe download address
    };

    UpdateNotice(Desktop &desktop, const LanguageCatalogue &language,
                 const Announcement &announcement, QWidget *mainWindow);

    QString title() const;
    QString linkText() const;
    qint64 closeCountdown() const { return m_closeCountdown; }
    WindowDrag &drag() { return m_drag; }

public slots:
    void openDownloadPage();
    void closeNotice();
    void onStartTick();
    void onCloseTick();
    void onHoverTick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void animate(bool grow);

    Desktop &m_desktop;
    Announcement m_announcement;
    QWidget *m_mainWindow;
    QLabel *m_title = nullptr;
    QLabel *m_link = nullptr;
    QPushButton *m_closeButton = nullptr;
    QTimer *m_startTimer = nullptr;
    QTimer *m_closeTimer = nullptr;
    QTimer *m_hoverTimer = nullptr;
    qint64 m_closeCountdown = 11;
    WindowDrag m_drag{this};
    LinkGesture m_linkGesture;
};
