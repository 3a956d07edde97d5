#pragma once

#include "features/schoolview/schoolrooms.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class SchoolTiles;
class Settings;

// View > School: every room of the school at a glance, as tiles, sorted by name or by
// loudness and filtered by name. Messages from the broker go into the model as they come;
// the tiles take the changes on a timer, at most four times a second, however fast the
// messages come. The window keeps its place, size and order in [SchoolView].
class SchoolWindow : public QWidget
{
    Q_OBJECT
public:
    using Translator = std::function<QString(const QString &)>;

    static constexpr int RepaintMs = 250;

    SchoolWindow(Settings &settings, Translator translate, const QByteArray &prefix,
                 QWidget *parent = nullptr);

    SchoolRooms &rooms() { return m_rooms; }
    SchoolTiles *tiles() const { return m_tiles; }
    // One message from the broker, on this window's thread.
    void receive(const QByteArray &topic, const QByteArray &payload, bool retained);
    // What the timer does: takes the rooms changed since and shows them.
    void takeChanges();
    QString noteText() const;
    // How the window's own connection to the broker stands, in words; first in the note.
    void showLinkState(const QString &text);

signals:
    // After each takeChanges(): what came before is now in the tiles (repainted next).
    void changesTaken();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void reorder();
    void showNote();
    void restorePlace();
    void keepPlace();

    Settings &m_settings;
    Translator m_translate;
    SchoolRooms m_rooms;
    QLineEdit *m_filter;
    QComboBox *m_order;
    SchoolTiles *m_tiles;
    QLabel *m_note;
    QTimer *m_repaint;
    QString m_linkState;
    int m_roomsShown = -1; // the model's size at the last reorder
    bool m_placed = false;
};
