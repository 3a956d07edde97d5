#pragma once

#include <QPoint>
#include <QWidget>

class Desktop;
class LanguageCatalogue;
class QLabel;
class QPushButton;
class QTimer;

// The update notice: a small borderless stay-on-top window in the top right-hand corner
// of the primary screen that announces a new version, opens its download page when the
// link is clicked and closes itself after eleven seconds.
class TNewVer : public QWidget
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

    TNewVer(Desktop &desktop, const LanguageCatalogue &language, const Announcement &announcement,
            QWidget *mainWindow);

    QString title() const;
    QString linkText() const;
    qint64 closeCountdown() const { return m_closeCountdown; }

public slots:
    void Label2Click();
    void Button1Click();
    void TimerStartTimer();
    void TimerCloseTimer();
    void TimerLinkTimer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void animate(bool grow);

    Desktop &m_desktop;
    Announcement m_announcement;
    QWidget *m_mainWindow;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Button1 = nullptr;
    QTimer *TimerStart = nullptr;
    QTimer *TimerClose = nullptr;
    QTimer *TimerLink = nullptr;
    qint64 m_closeCountdown = 11;
    bool m_dragging = false;
    QPoint m_lastCursor;
};
