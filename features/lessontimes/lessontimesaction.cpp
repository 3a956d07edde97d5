#include "features/lessontimes/lessontimesaction.h"

#include "base/settings.h"
#include "features/lessontimes/lessontimesdialog.h"
#include "features/lessontimes/lessontimessettings.h"
#include "session/listeningsession.h"

#include <QtDebug>
#include <utility>

LessonTimesAction::LessonTimesAction(ListeningSession &session, Settings &settings,
                                     Translator translate, QWidget *dialogParent)
    : QAction(dialogParent), m_session(session), m_settings(settings),
      m_translate(std::move(translate)), m_dialogParent(dialogParent)
{
    setObjectName(QStringLiteral("LessonTimes1"));
    setText(m_translate(QStringLiteral("Lesson Times...")));
    connect(this, &QAction::triggered, this, &LessonTimesAction::editLessonTimes);
    QStringList unreadable;
    m_session.setLessonTimes(LessonTimesSettings::load(m_settings, &unreadable));
    for (const QString &text : std::as_const(unreadable))
        qWarning("Lesson times: a stored range cannot be read and is left out: %s",
                 qUtf8Printable(text));
}

void LessonTimesAction::editLessonTimes()
{
    QStringList unreadable;
    const LessonTimes stored = LessonTimesSettings::load(m_settings, &unreadable);
    LessonTimesDialog dialog(m_translate, stored, unreadable, m_dialogParent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const LessonTimes times = dialog.lessonTimes();
    m_session.setLessonTimes(times);
    LessonTimesSettings::store(m_settings, times);
}
